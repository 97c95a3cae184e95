// The completion sound: the embedded WAV played through Qt Multimedia,
// asynchronously; without an audio device it stays silent.
#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QSoundEffect>
#include <QUrl>

#include <algorithm>
#include <string>

namespace {

// Created on the first request so that a window that never plays a sound
// never opens the audio system.
QSoundEffect* TheSound = nullptr;

} // namespace

bool PlayResourceSound(std::string_view name) {
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
  if (upper != "GLASS_A")
    return false;
  if (!TheSound) {
    TheSound = new QSoundEffect(qApp);
    TheSound->setSource(QUrl(QStringLiteral("qrc:/calvora/glass_a.wav")));
  }
  // A new request starts the sound again from its beginning; nothing waits.
  TheSound->play();
  SetNumericMode();
  return true;
}
