// The completion sound (part of the media module): the embedded WAV played
// through Qt Multimedia, asynchronously; without an audio device it stays
// silent.
#include "platform/qt/QtBackend.h"
#include "platform/qt/QtMedia.h"

#include <QApplication>
#include <QSoundEffect>
#include <QUrl>

namespace {

QSoundEffect *TheSound = nullptr;

} // namespace

bool PlaySoundNow() {
  if (!TheSound) {
    TheSound = new QSoundEffect(qApp);
    TheSound->setSource(QUrl(QStringLiteral("qrc:/calvora/glass_a.wav")));
  }
  // A new request starts the sound again from its beginning; nothing waits.
  TheSound->play();
  return true;
}
