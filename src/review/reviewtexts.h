#pragma once

#include <QString>

namespace nuvo {

// Times as the review windows show them: in the session's own local time, wherever the
// record is read.
QString sessionTimeText(qint64 ms, int utcOffsetSeconds, const QString& format);

// A length of time as h:mm:ss, "1:02:03"; a negative one as 0:00:00.
QString durationText(qint64 ms);

}  // namespace nuvo
