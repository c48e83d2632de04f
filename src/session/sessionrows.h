#pragma once

#include "device/transport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>
#include <vector>

namespace nuvo {

// The rows of the session record. Times are milliseconds since the epoch, UTC. Ticks,
// words, questions and reports are numbered from 1 within their session, so rows can
// refer to each other before the store has written them.

struct SessionStart {
    qint64 startMs = 0;
    int utcOffsetSeconds = 0;  // local time minus UTC at the start
    QString programVersion;
    UnitIdentity unit;
    QString settingsText;  // the settings file as it was read at load; empty when missing
    QString dataDir;
};

struct SessionEnd {
    qint64 endMs = 0;
    int utcOffsetSeconds = 0;
};

// A word list in use; words name it by its number in the session.
struct ListRow {
    int listNo = 0;
    QString sha256;  // of the entries, each followed by a line feed, in UTF-8
    QString name;    // "default", "pro", "phonemes", with " shuffled" when reordered
    QStringList entries;
};

// What the tick's own settings were, so a replay can run it the same way.
struct TickSettings {
    QString mode;         // "voltage", "frequency", "emf" or "off"
    int rfChecked = 0;    // bit i: RF band i is checked
    int offset = 0;       // half-width of the no-change band
    bool highSpeed = false;  // "High Speed Phoneme"
};

struct TickRow {
    qint64 tickNo = 0;
    qint64 timeMs = 0;
    TickSettings settings;
    bool unitAnswered = false;
    bool completed = false;  // get_data reached the change detection
    double chA = 0, chB = 0;  // channel levels, ADC counts
    int fA = 0, fB = 0;       // Hz
    std::optional<int> modeValue;
    int level = 0;
    int trend = 0;
    int temperature = 0;  // degrees F
    int emf = 0;          // the EMF figure, 0..1000
    double emfMilliGauss = 0;  // the figure of the EMF read-out
    std::array<int, 4> naturalField{};  // sensors 1..4, raw counts (500 = no field)
    int direction = -1;   // the lit mark 0 top, 1 right, 2 bottom, 3 left; -1 none
    int rfBandsHit = 0;   // 0 none, 1 A, 2 B, 3 both
};

struct WordRow {
    qint64 wordNo = 0;
    qint64 tickNo = 0;
    qint64 timeMs = 0;
    qint64 questionNo = 0;  // 0: outside a question (constant mode)
    QString mode;
    int modeValue = 0;
    // A value beyond the list picks no new entry: the one selected before is repeated.
    bool inList = false;
    int position = -1;  // of the entry given; -1 when none was selected yet
    QString entry;
    int listNo = 0;
    // The value came from the program's random source; none while it is sealed (a blind
    // question: the control row holds the truth until the session is unblinded).
    std::optional<bool> control = false;
};

// When voice 1 sounded a word, or why it did not.
struct VoiceRow {
    qint64 wordNo = 0;
    std::optional<qint64> startedMs, finishedMs;
    QString notSpoken;  // empty when spoken
};

struct QuestionRow {
    qint64 questionNo = 0;
    QString text;
    std::optional<int> answerMs;  // none: constant mode
    qint64 startMs = 0;
};

struct QuestionEndRow {
    qint64 questionNo = 0;
    qint64 endMs = 0;
    bool noResponse = false;
};

struct AlarmRow {
    qint64 tickNo = 0;
    qint64 timeMs = 0;
    int alarm = 0;  // 1..12
    QString setValue;
    QString measured;
};

struct PictureRow {
    qint64 timeMs = 0;
    QString file;  // name in the data folder
    bool saved = false;
};

// A moment the user marked while measuring: a note, or a noise that may have got into
// the recording.
struct MarkerRow {
    qint64 timeMs = 0;
    qint64 tickNo = 0;  // the last tick before it
    QString kind;       // "note" or "noise"
    QString note;       // may be empty
};

// A capture file, written from when it begins; its stop follows when it ends.
struct CaptureRow {
    QString kind;  // "video", "audio" or "picture" (one picture: start and stop alike)
    QString file;  // in the data folder; a full path for a file outside it
    qint64 startMs = 0;  // of its first frame or sample
    std::optional<qint64> stopMs;  // a picture's: its start
};

struct CaptureStopRow {
    QString file;  // the file of the last capture row under this name that has no stop
    qint64 stopMs = 0;
};

// A question answered from the program's random source, or one whose source was chosen at
// random (blind) and is sealed until the session is unblinded.
struct ControlRow {
    qint64 questionNo = 0;
    bool blind = false;
    bool control = false;  // a blind question's choice; always true when not blind
    quint64 seed = 0;      // of the choice and the values
};

struct GapRow {
    qint64 timeMs = 0;
    QString kind;  // "unplugged", "replugged", "no answer", "log not writable"
    QString detail;
};

// The requests to the unit of one tick (or of one phoneme routine call), in order, packed
// as rawreports.h says.
struct RawReportsRow {
    qint64 firstSeq = 0;  // number of the first report of the group in the session
    qint64 tickNo = 0;    // 0: outside a tick (the phoneme routine)
    qint64 timeMs = 0;    // of the first report
    int count = 0;
    QByteArray packed;
};

// A file the session wrote or appended to, with its digests.
struct FileRow {
    QString name;  // in the data folder
    bool appended = false;
    QString sha256Start;  // of the bytes the file held at the session's start
    qint64 sizeStart = 0;
    QString sha256End;
    qint64 sizeEnd = 0;
};

using SessionRow = std::variant<ListRow, TickRow, WordRow, VoiceRow, QuestionRow,
                                QuestionEndRow, AlarmRow, PictureRow, GapRow, RawReportsRow,
                                FileRow, MarkerRow, CaptureRow, CaptureStopRow, ControlRow>;

// Where the engine hands the record. Implementations must return at once: measuring
// never waits for the record to be written.
class SessionSink {
public:
    virtual ~SessionSink() = default;
    virtual void begin(const SessionStart& start) = 0;
    virtual void add(std::vector<SessionRow>&& rows) = 0;
    // Writes everything handed over so far, then closes the session.
    virtual void end(const SessionEnd& end) = 0;
};

}  // namespace nuvo
