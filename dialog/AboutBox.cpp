#include "dialog/MainDialog.h"
#include "present/ResultContent.h"

void ShowAboutBox() { ShowMessage(AboutBoxText, MessageStyleOkForeground, AboutBoxCaption); }
