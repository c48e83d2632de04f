#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/mainelements.h"
#include "device/link.h"
#include "device/scriptedtransport.h"
#include "measure/measurestate.h"

namespace nuvo::test {

using Words = std::array<quint16, 4>;

// An answer carrying four 16-bit values in bytes 1-8, high byte first.
inline std::vector<quint8> wordsAnswer(const Words& words) {
    std::vector<quint8> report = answerBytes({});
    for (std::size_t i = 0; i < words.size(); ++i) {
        report[1 + 2 * i] = quint8(words[i] >> 8);
        report[2 + 2 * i] = quint8(words[i]);
    }
    return report;
}

// What the measuring stages work with: a link to a scripted unit, the main window's
// elements as designed and the measuring state as after load.
struct UnitRig {
    UnitRig() {
        state.offset = 5;
        state.histlen = 10;
        link.hidconnect();
    }

    // Every request gets `words` as its answer; none without them.
    void answer(const std::optional<Words>& words) {
        transport.respond = [words](const Report&) -> ScriptedTransport::Reply {
            if (!words) return std::nullopt;
            return wordsAnswer(*words);
        };
    }
    // The commands sent since the last call.
    std::string takeSent() {
        const std::vector<char> sent = transport.commandsWritten();
        transport.clearWrites();
        return {sent.begin(), sent.end()};
    }

    ScriptedTransport transport;
    Link link{transport, std::chrono::milliseconds{20}};
    MeasureState state;
    ElementStates elements = designElements();
};

}  // namespace nuvo::test
