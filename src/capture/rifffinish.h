#pragma once

#include <QString>

namespace nuvo {

// Finishes an AVI or WAV file whose writer stopped before writing its end (a full disk, a
// failed muxer, a capture cut off): the last partial chunk is cut away, the lengths in
// the headers are set from what is there, and an AVI gets the index players need to
// know its length and to seek. Where the disk has no room for the index, the last frames
// make room for it. A file that is already finished, or is no such file, is left as it
// is. False, with *problem set, when the file could not be finished.
bool finishRiffFile(const QString& path, QString* problem = nullptr);

}  // namespace nuvo
