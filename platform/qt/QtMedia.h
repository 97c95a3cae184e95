// The sound and print services live in a module of their own, loaded on the
// first sound or print request: the libraries they need (audio, printing
// system) then cost neither start-up time nor memory in a window that never
// plays or prints. This is the module's interface.
#pragma once

#include "platform/Toolkit.h"

#include <string>
#include <string_view>

struct MediaServices {
  // Plays the embedded completion sound from its start; returns at once.
  bool (*playSound)();
  // AttachPrinter, with `pdfPath` non-empty: no dialog, a PDF file there.
  bool (*attachPrinter)(PrinterChoice choice, const PrintDialogOptions &options,
                        std::string_view documentName, const std::string &pdfPath);
  std::string (*attachedPrinterName)();
  void (*printText)(std::string_view text);
  void (*printLineBreak)();
  void (*detachPrinter)();
};

// The module's one entry point.
extern "C" const MediaServices *CalvoraMediaServices();
