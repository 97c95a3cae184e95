// The sound and print operations of the toolkit: each loads the media
// module on first use and hands the request to it. Without the module the
// sound stays silent and printing fails to attach, silently.
#include "platform/qt/QtBackend.h"
#include "platform/qt/QtMedia.h"

#include "core/AsciiCase.h"

#include <QCoreApplication>
#include <QLibrary>

#include <algorithm>
#include <utility>

namespace {

std::string PdfSeamPath; // set by PrintNextJobToPdf, used by the next attach

// The module next to the installed program, or where the build put it.
const MediaServices *Media() {
  static const MediaServices *services = []() -> const MediaServices * {
    const QString candidates[] = {QCoreApplication::applicationDirPath() +
                                      QLatin1String("/" CALVORA_MEDIA_INSTALLED),
                                  QString::fromUtf8(CALVORA_MEDIA_BUILT)};
    for (const QString &path : candidates) {
      QLibrary module(path);
      using Entry = const MediaServices *(*)();
      if (auto entry = reinterpret_cast<Entry>(module.resolve("CalvoraMediaServices")))
        return entry();
    }
    return nullptr;
  }();
  return services;
}

} // namespace

bool PlayResourceSound(std::string_view name) {
  return KeepingNumericMode([&] {
    if (!EqualIgnoringAsciiCase(name, "GLASS_A"))
      return false;
    const MediaServices *media = Media();
    return media && media->playSound();
  });
}

void PrintNextJobToPdf(const std::string &path) { PdfSeamPath = path; }

bool AttachPrinter(PrinterChoice choice, const PrintDialogOptions &options,
                   std::string_view documentName) {
  return KeepingNumericMode([&] {
    const MediaServices *media = Media();
    const std::string pdfPath = std::exchange(PdfSeamPath, std::string());
    return media && media->attachPrinter(choice, options, documentName, pdfPath);
  });
}

std::string AttachedPrinterName() {
  return KeepingNumericMode([&] {
    const MediaServices *media = Media();
    return media ? media->attachedPrinterName() : std::string();
  });
}

void PrintText(std::string_view text) {
  KeepingNumericMode([&] {
    if (const MediaServices *media = Media())
      media->printText(text);
  });
}

void PrintLineBreak() {
  KeepingNumericMode([&] {
    if (const MediaServices *media = Media())
      media->printLineBreak();
  });
}

void DetachPrinter() {
  KeepingNumericMode([&] {
    if (const MediaServices *media = Media())
      media->detachPrinter();
  });
}
