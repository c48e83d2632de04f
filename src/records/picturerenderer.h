#pragma once

#include <QString>

namespace nuvo {

// Makes the verified picture of the main display.
class PictureRenderer {
public:
    virtual ~PictureRenderer() = default;
    // Draws `text` from the top left corner, inside the frame, over the verified background and saves it as a JPEG
    // at `path`; false with *error set when it could not be saved. `sealText`, when not
    // empty, stands in place of the seal's own text (a run that is not a real session).
    // Safe to call from the engine thread.
    virtual bool save(const QString& text, const QString& path, const QString& sealText,
                      QString* error) = 0;
};

}  // namespace nuvo
