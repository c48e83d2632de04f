#pragma once

#include "session/sessionrows.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace nuvo {

// The session record in sessions.sqlite in the data folder, through Qt SQL's SQLite
// driver, in WAL mode. A writer thread of its own commits what the engine handed over
// about once a second, so a crash loses at most the last second and measuring never
// waits for the disk.
//
// A store written by a newer program is left as it is (this session is not recorded); a
// damaged file is renamed aside and a new one started; a full disk or a read-only folder
// is told once and the rows wait in memory (up to a bound) until they can be written.
// Each of these is told through `tell`, from the writer thread.
class SqliteSessionStore : public SessionSink {
public:
    // A little under a second, so that with the time a commit takes a crash still loses
    // no more than the last second.
    static constexpr std::chrono::milliseconds kCommitInterval{900};
    // Rows kept while the file cannot be written; beyond this the oldest are dropped.
    static constexpr std::size_t kMaxWaitingRows = 4'000'000;

    SqliteSessionStore(const QString& dataDir, std::function<void(const QString&)> tell);
    ~SqliteSessionStore() override;

    static QString fileName() { return QStringLiteral("sessions.sqlite"); }

    void begin(const SessionStart& start) override;
    void add(std::vector<SessionRow>&& rows) override;
    // Waits (bounded) until everything is written.
    void end(const SessionEnd& end) override;

private:
    class Writer;
    void run();

    const QString m_path;
    const std::function<void(const QString&)> m_tell;

    std::mutex m_mutex;  // guards everything below
    std::condition_variable m_wake, m_ended;
    std::optional<SessionStart> m_start;
    std::vector<SessionRow> m_rows;
    std::optional<SessionEnd> m_end;
    bool m_endWritten = false;
    bool m_stopping = false;
    std::thread m_thread;  // last: starts once the rest is ready
};

}  // namespace nuvo
