#pragma once

// The four voices of this platform's build: libflite through GStreamer, or Qt TextToSpeech
// where libflite is not at hand. Both offer voices() and unavailable(const QString&).
#ifdef NUVO_FLITE_VOICES
#include "ecm/flitevoices.h"
namespace nuvo {
using PlatformVoices = FliteVoices;
}
#else
#include "ecm/qtvoices.h"
namespace nuvo {
using PlatformVoices = QtVoices;
}
#endif
