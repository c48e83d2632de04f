#pragma once

#include <QString>

namespace nuvo {

// Makes the verified picture of the main display.
class PictureRenderer {
public:
    virtual ~PictureRenderer() = default;
    // Draws `text` from (10, 10) twips over the verified background and saves it as a JPEG
    // at `path`; false with *error set when it could not be saved. Safe to call from the
    // engine thread.
    virtual bool save(const QString& text, const QString& path, QString* error) = 0;
};

}  // namespace nuvo
