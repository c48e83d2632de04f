#pragma once

#include <QString>

#include <vector>

namespace nuvo {

// What marks a run that is not a plain session on a real unit, such as one on the
// built-in simulated unit: the window title and the status line name each mark, and the
// verified pictures carry its seal text in place of the seal's own.
class RunMarks {
public:
    struct Mark {
        QString name;  // for the title and the status line: "Simulated unit"
        QString seal;  // for the pictures: "SIMULATED UNIT"
    };

    // Adds the mark (once) or takes it away.
    void set(const Mark& mark, bool on);
    // The names, in the order the marks came, joined by ", "; empty without marks.
    QString names() const;
    // The seal texts joined by " / "; empty without marks (the seal keeps its own).
    QString seal() const;
    // The window title: `caption`, followed by the marks' `names` where there are any.
    static QString title(const QString& caption, const QString& names);

private:
    std::vector<Mark> m_marks;
};

inline const RunMarks::Mark kSimulatedRun{QStringLiteral("Simulated unit"),
                                          QStringLiteral("SIMULATED UNIT")};
// A question answered by the program's random source in place of the unit.
inline const RunMarks::Mark kControlRunMark{QStringLiteral("CONTROL RUN"),
                                            QStringLiteral("CONTROL RUN")};

}  // namespace nuvo
