// Whatever the unit sends, and whether it answers at all: ticks in every mode, the scope
// frame, the word stage and the phoneme routine take it without a fault.
#include "fuzzcheck.h"

#include "app/mainelements.h"
#include "common/programrandom.h"
#include "device/link.h"
#include "ecm/currentlist.h"
#include "ecm/phoneme.h"
#include "ecm/wordstage.h"
#include "measure/measurestate.h"
#include "measure/tick.h"
#include "scope/scopeframe.h"

#include <algorithm>
#include <span>

using namespace nuvo;

namespace {

// A unit that answers each command with the next piece of the input: a length byte, then
// that many bytes (0: no answer). Once the input is used up it is gone from the bus.
class FuzzedUnit : public Transport {
public:
    explicit FuzzedUnit(std::span<const std::uint8_t> data) : m_data(data) {}

    bool connect(TransportListener* listener) override {
        m_listener = listener;
        listener->OnPlugged({1, kVendorId, kProductId});
        listener->OnChanged();
        return true;
    }
    bool disconnect() override {
        m_listener = nullptr;
        return true;
    }
    ReadNotify enableReadNotify() override { return {true, {}}; }
    bool write(const Report&) override {
        if (m_data.empty() || !m_listener) return false;
        const std::size_t length = std::min<std::size_t>(m_data[0] % 17, m_data.size() - 1);
        const auto piece = m_data.subspan(1, length);
        m_data = m_data.subspan(1 + length);
        if (length > 0) m_listener->OnRead(piece);
        return true;
    }
    bool usedUp() const { return m_data.empty(); }

private:
    std::span<const std::uint8_t> m_data;
    TransportListener* m_listener = nullptr;
};

const char* const kModes[] = {"ITC1", "ITC2", "ITC3", "ITC4"};

}  // namespace

// The first byte picks the mode and the check marks the stages read; the rest is the unit.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static CurrentList words = [] {
        CurrentList list;
        list.loadDefaultWords();
        return list;
    }();
    static CurrentList phonemes = [] {
        CurrentList list;
        list.loadPhonemes();
        return list;
    }();
    const std::uint8_t choice = data[0];
    ElementStates elements = designElements();
    for (const char* mode : kModes) elements.setChecked(QString::fromLatin1(mode), false);
    elements.setChecked(QString::fromLatin1(kModes[choice & 3]), true);
    elements.setChecked(QStringLiteral("HSPh"), choice & 4);
    elements.setChecked(QStringLiteral("lowhz1"), choice & 8);   // 60 to 120 Hz
    elements.setChecked(QStringLiteral("midhz1"), choice & 16);  // 1 to 5 kHz
    WordStageSettings settings;
    settings.phonemes = choice & 32;
    settings.phonemeBreaks = choice & 64;
    CurrentList& list = settings.phonemes ? phonemes : words;

    FuzzedUnit unit(std::span(data + 1, size - 1));
    Link link(unit, std::chrono::milliseconds{0});
    link.hidconnect();
    MeasureState state;
    state.offset = 5;
    state.histlen = 10;
    qint16 wordkind = 0;
    QString phbuf;
    SliceValues lastslice{};
    ProgramRandom random;
    while (!unit.usedUp()) {
        const TickOutcome outcome = runTick(link, state, elements, [&](const GetDataResult& r) {
            if (r.wordDue) wordStage(list, r.v, settings, wordkind, phbuf);
        });
        FUZZ_CHECK(state.histpos >= 0 && state.histpos <= state.histlen);
        if (outcome.scopeSampled) scopeFrame(state, elements);
        if (const auto values = phonemeValues(choice & 128, link, list, random))
            pickPhonemes(*values, {true, true, true, true}, list, lastslice);
        FUZZ_CHECK(list.selected() < list.size());
    }
    return 0;
}
