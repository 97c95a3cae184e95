// The Linux program: the toolkit's start-up and exit around the main routine.
#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

int main(int argc, char **argv) {
  StartToolkit(argc, argv);
  const int result = RunMainDialog();
  StopToolkit();
  return result;
}
