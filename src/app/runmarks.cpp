#include "app/runmarks.h"

#include <QStringList>

#include <algorithm>

namespace nuvo {

namespace {

QString joined(const std::vector<RunMarks::Mark>& marks, QString RunMarks::Mark::*part,
               const QString& separator) {
    QStringList parts;
    for (const RunMarks::Mark& mark : marks) parts.append(mark.*part);
    return parts.join(separator);
}

}  // namespace

void RunMarks::set(const Mark& mark, bool on) {
    const auto same = [&mark](const Mark& m) { return m.name == mark.name; };
    m_marks.erase(std::remove_if(m_marks.begin(), m_marks.end(), same), m_marks.end());
    if (on) m_marks.push_back(mark);
}

QString RunMarks::names() const { return joined(m_marks, &Mark::name, QStringLiteral(", ")); }

QString RunMarks::seal() const { return joined(m_marks, &Mark::seal, QStringLiteral(" / ")); }

QString RunMarks::title(const QString& caption, const QString& names) {
    return names.isEmpty() ? caption : caption + QStringLiteral(" - ") + names;
}

}  // namespace nuvo
