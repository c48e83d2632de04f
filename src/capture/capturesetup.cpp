#include "capture/capturesetup.h"

#include "capture/captureelements.h"
#include "capture/videooverlays.h"
#include "settings/settingsvalues.h"

namespace nuvo {

const QString CaptureSetup::kNoPropertyPage = QStringLiteral("No property page");
const QString CaptureSetup::kRotateInvertWarning =
    QStringLiteral("You selected rotate value cannot support invert color");
const QString CaptureSetup::kTextureMissing =
    QStringLiteral("Please select Texture Brush image ");
const QString CaptureSetup::kCaptureFailure = QStringLiteral(
    "Capture Failure,Video, Audio Compressor not correct or capture file opening");
const QString CaptureSetup::kCaptureFileNotFound = QStringLiteral("Capture file not found");
const QString CaptureSetup::kRecordingRuns = QStringLiteral(
    "\"%1\" is not available while \"%2\" records: switch it off in the \"PC A/V\" menu "
    "first.");

namespace {

const QStringList kFontNames{"Arial", "AirCut", "Arial Black", "Comic Sans MS",
                             "Times New Roman"};
const QStringList kFontStyles{"Regular", "Bold", "Italic", "BoldItalic", "Underline"};

QStringList fontSizes() {
    QStringList sizes;
    for (int size = 8; size <= 60; size += 2) sizes << QString::number(size);
    return sizes;
}

// The text boxes whose numbers are positions.
const QStringList kNumberBoxes{"txtLeft",      "txtTop",      "txtdateleft", "txtdatetop",
                               "txtimageleft", "txtimagetop", "Text1"};

// What each text style needs; the others of these are disabled while it is chosen. The
// outline buttons keep their state under the texture brush.
const QStringList kStyleElements{"cmdsolidfontcolor",  "cmdoutlineborder", "cmdoutlineback",
                                 "cbohashbrushstyle",  "cmdhashforecolor", "cmdhashbackcolor",
                                 "cmdtextureselimage", "txttextureimage"};
const QList<QStringList> kStyleUses{
    {"cmdsolidfontcolor"},
    {"cmdoutlineborder"},
    {"cmdoutlineborder", "cmdoutlineback"},
    {"cbohashbrushstyle", "cmdhashforecolor", "cmdhashbackcolor"},
    {"cmdtextureselimage", "txttextureimage"},
};
constexpr int kTextureStyle = 4;

ElementState text(const char* value) {
    ElementState state;
    state.text = QString::fromLatin1(value);
    return state;
}

ElementState check(bool checked) {
    ElementState state;
    state.checked = checked;
    return state;
}

ElementState enabled(bool on) {
    ElementState state;
    state.enabled = on;
    return state;
}

ElementState slider(int position) {
    ElementState state;
    state.value = position;
    return state;
}

ElementStates designElements() {
    ElementStates e;
    for (const char* button :
         {"Command1", "Command2", "Command4", "Command5", "Command6", "Command7", "Command8",
          "Command9", "Command10", "Command11", "Command12", "Command13", "Command14",
          "Command15", "Command16", "cmdBackgroundColor", "cmdsolidfontcolor", "cmdhashforecolor",
          "cmdhashbackcolor", "cmdtextureselimage", "cmdoutlineback", "cmdoutlineborder",
          "cmdimagetrancolor", "cmddrawimage"})
        e.add(QString::fromLatin1(button), {});
    e.add(QStringLiteral("Command3"), enabled(false));
    for (const char* list :
         {"cborotate", "cboDevice", "cboVideoInput", "cboVideoFormat", "cboAudioCompressor",
          "cboaudioinput", "cboDateFormat", "cbodatefontname", "cbodatefontstyle",
          "cbodatefontsize", "cbofontname", "cbofontstyle", "cbofontsize", "cbotextstyle",
          "cbohashbrushstyle", "cboaudiodevice", "cboinputpin"})
        e.add(QString::fromLatin1(list), {});
    // Follows "Use Video Compressor ", unchecked at start.
    e.add(QStringLiteral("cboVideoCompressor"), enabled(false));
    e.add(QStringLiteral("Command5"), enabled(false));
    for (const char* on : {"chkShowPreview", "chkCaptureVideo", "ChkCaptureAudio", "chkaspectratio",
                           "ChkTVMute", "chkshowdatetime", "chkshowtext", "chkshowimage"})
        e.add(QString::fromLatin1(on), check(true));
    for (const char* off : {"chkinvertcolor", "ChkUseVideoCap", "ChkUseAudioCap"})
        e.add(QString::fromLatin1(off), check(false));
    e.add(QStringLiteral("txtText"), text("Orrindale"));
    e.add(QStringLiteral("txtText2"), text("Version 1.0"));
    e.add(QStringLiteral("txtLeft"), text("0"));
    e.add(QStringLiteral("txtTop"), text("30"));
    e.add(QStringLiteral("txtdateleft"), text("0"));
    e.add(QStringLiteral("txtdatetop"), text("0"));
    e.add(QStringLiteral("txtimageleft"), text("0"));
    e.add(QStringLiteral("txtimagetop"), text("50"));
    e.add(QStringLiteral("txtimage"), text(""));
    e.add(QStringLiteral("txttextureimage"),
          text("C:\\ZEZOVIDIRU_VAVIrogram Files\\VideoCap Pro ActiveX Control\\image.bmp"));
    e.add(QStringLiteral("Text1"), text("Text1"));
    e.add(QStringLiteral("Slider1"), slider(255));  // the picture opaque until changed
    e.add(QStringLiteral("Slider2"), slider(0));
    e.add(QStringLiteral("Slider3"), slider(50));
    e.add(QStringLiteral("updPreAlarm"), slider(10));
    return e;
}

TextOverlayFont font(const ElementStates& e, const QString& name, const QString& size,
                     const QString& style) {
    return {e.selectedItem(name), e.selectedItem(size).toInt(), std::max(e.value(style), 0)};
}

// Blanks only, as the boxes are typed.
QString withoutBlanks(const QString& text) {
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == u' ') ++first;
    while (last > first && text[last - 1] == u' ') --last;
    return text.mid(first, last - first);
}

}  // namespace

CaptureSetup::CaptureSetup(QObject* parent) : QObject(parent), m_elements(designElements()) {
    qRegisterMetaType<nuvo::ElementUpdates>();
    for (const QString& box : kNumberBoxes) m_numbers.insert(box, m_elements.text(box).toShort());
    addHandlers();
}

void CaptureSetup::setElements(VideoElement* video, AudioElement* audio) {
    m_video = video;
    m_audio = audio;
}

void CaptureSetup::setRecordingMode(std::function<QString()> recordingMode) {
    m_recordingMode = std::move(recordingMode);
}

void CaptureSetup::setOverlayTexts(const QString& text1, const QString& text2,
                                   const QString& image) {
    m_elements.setText(QStringLiteral("txtText"), text1);
    m_elements.setText(QStringLiteral("txtText2"), text2);
    m_elements.setText(QStringLiteral("txtimage"), image);
    publish();
}

void CaptureSetup::setPreAlarmSeconds(int seconds) {
    if (seconds < 0 || seconds > kMaxPreAlarmSeconds) return;
    m_elements.setValue(QStringLiteral("updPreAlarm"), seconds);
    if (m_video && m_audio) applyPreAlarm();
    publish();
}

void CaptureSetup::applyPreAlarm() {
    m_video->setPreAlarmSeconds(preAlarmSeconds());
    m_audio->setPreAlarmSeconds(preAlarmSeconds());
}

void CaptureSetup::addHandlers() {
    auto on = [this](const char* name, std::function<void()> handler) {
        m_handlers.insert(QString::fromLatin1(name), std::move(handler));
    };
    on("cboaudiodevice", [this] { audioDeviceChosen(); });
    on("cboDevice", [this] { videoDeviceChosen(); });
    on("cbotextstyle", [this] { textStyleChosen(); });
    on("cborotate", [this] { rotationChosen(); });
    on("cbohashbrushstyle", [this] { hatchChosen(); });
    on("cboDateFormat", [this] { drawTime(); });
    for (const char* name : {"cbofontname", "cbofontsize", "cbofontstyle"})
        on(name, [this] {
            overlays([this](VideoOverlays& o) {
                o.text.font = font(m_elements, "cbofontname", "cbofontsize", "cbofontstyle");
            });
        });
    for (const char* name : {"cbodatefontname", "cbodatefontsize", "cbodatefontstyle"})
        on(name, [this] {
            overlays([this](VideoOverlays& o) {
                o.date.font =
                    font(m_elements, "cbodatefontname", "cbodatefontsize", "cbodatefontstyle");
            });
        });

    on("chkinvertcolor", [this] {
        if (m_elements.checked(QStringLiteral("chkinvertcolor"))) warnRotateInvert();
        applyInvert();
    });
    for (const char* name : {"chkshowdatetime", "chkshowtext", "chkshowimage"})
        on(name, [this] { applyShown(); });
    on("chkaspectratio", [this] {
        m_video->setKeepAspectRatio(m_elements.checked(QStringLiteral("chkaspectratio")));
    });
    on("ChkTVMute", [this] { m_video->setTvMute(m_elements.checked(QStringLiteral("ChkTVMute"))); });
    on("ChkUseVideoCap", [this] {
        const bool use = m_elements.checked(QStringLiteral("ChkUseVideoCap"));
        m_elements.setEnabled(QStringLiteral("cboVideoCompressor"), use);
        m_elements.setEnabled(QStringLiteral("Command5"), use);
        m_video->setUseCompressor(use);
    });

    on("Command1", [this] { preview(); });
    on("Command3", [this] { stopCapture(); });
    on("Command5", [this] { showCompressorSettings(); });
    on("Command6", [this] { m_video->pause(); });
    on("Command7", [this] { m_video->resume(); });
    on("Command8", [this] { overlays([](VideoOverlays& o) { o.invert = true; }); });
    on("Command12", [this] { overlays([](VideoOverlays& o) { o.invert = false; }); });
    on("Command13", [this] {
        const int rotation = number(QStringLiteral("Text1"));
        if (rotation >= 0 && rotation < rotationNames().size())
            overlays([rotation](VideoOverlays& o) { o.rotation = rotation; });
    });
    on("Command10", [this] { drawText(); });
    on("Command11", [this] { drawTime(); });
    on("cmddrawimage", [this] { drawImage(); });
    on("Slider1", [this] { drawImage(); });
    on("Slider2", [this] {
        setText(QStringLiteral("txtimageleft"), QString::number(m_elements.value(QStringLiteral("Slider2"))));
        overlays([](VideoOverlays& o) { o.picture.shown = true; });
        drawImage();
    });
    on("Slider3", [this] {
        setText(QStringLiteral("txtimagetop"), QString::number(m_elements.value(QStringLiteral("Slider3"))));
        overlays([](VideoOverlays& o) { o.picture.shown = true; });
        drawImage();
    });
    on("Command14", [this] {
        if (!m_video->showDeviceSettings()) emit message(kNoPropertyPage);
    });
    on("Command16", [this] { controlCap(); });
    on("updPreAlarm", [this] { applyPreAlarm(); });
    on("Command15", [this] {
        m_audio->selectDevice(m_elements.value(QStringLiteral("cboaudiodevice")));
        m_audio->selectInput(m_elements.value(QStringLiteral("cboinputpin")));
    });
}

void CaptureSetup::load() {
    if (!m_video || !m_audio) return;
    fillList(QStringLiteral("cboaudiodevice"), m_audio->devices(), true);
    m_video->setTvMute(true);
    m_trancolor = 0x000000;
    m_hashfore = 0xFFFFFF;
    m_hashback = 0x000000;
    fillList(QStringLiteral("cbotextstyle"), textStyleNames(), true);
    fillList(QStringLiteral("cborotate"), rotationNames(), true);
    fillList(QStringLiteral("cbohashbrushstyle"), hatchStyleNames(), true);
    fillList(QStringLiteral("cboDateFormat"), dateStampFormats(), true);
    const QStringList sizes = fontSizes();
    fillList(QStringLiteral("cbofontsize"), sizes, false);
    select(QStringLiteral("cbofontsize"), sizes.indexOf(QStringLiteral("12")));
    fillList(QStringLiteral("cbodatefontsize"), sizes, false);
    select(QStringLiteral("cbodatefontsize"), sizes.indexOf(QStringLiteral("16")));
    fillList(QStringLiteral("cbofontstyle"), kFontStyles, true);
    fillList(QStringLiteral("cbodatefontstyle"), kFontStyles, true);
    fillList(QStringLiteral("cbofontname"), kFontNames, true);
    fillList(QStringLiteral("cbodatefontname"), kFontNames, true);
    // Choosing the first device fills its inputs and formats; they are listed once.
    fillList(QStringLiteral("cboDevice"), m_video->devices(), true);
    m_elements.setItems(QStringLiteral("cboVideoCompressor"), m_video->compressors());
    applyPreAlarm();
    publish();
}

void CaptureSetup::text_change(const QString& name, const QString& text) {
    setText(name, text);
    publish();
}

void CaptureSetup::setText(const QString& name, const QString& text) {
    m_elements.setText(name, text);
    bool isNumber = false;
    const qint16 value = text.trimmed().toShort(&isNumber);
    if (isNumber && m_numbers.contains(name)) m_numbers[name] = value;
}

void CaptureSetup::check_click(const QString& name, bool checked) {
    m_elements.setChecked(name, checked);
    run(name);
}

void CaptureSetup::list_click(const QString& name, int position) {
    select(name, position);
    publish();
}

void CaptureSetup::slider_change(const QString& name, int position) {
    m_elements.setValue(name, position);
    run(name);
}

void CaptureSetup::button_click(const QString& name) {
    run(name);
}

void CaptureSetup::color_chosen(const QString& name, quint32 color) {
    if (m_video) {
        if (name == QLatin1String("cmdBackgroundColor")) {
            m_video->setBackgroundColor(color);
        } else if (name == QLatin1String("Command9")) {
            overlays([color](VideoOverlays& o) { o.date.color = color; });
        } else if (name == QLatin1String("cmdsolidfontcolor")) {
            overlays([color](VideoOverlays& o) { o.text.color = color; });
        } else if (name == QLatin1String("cmdoutlineback")) {
            overlays([color](VideoOverlays& o) { o.text.outlineBack = color; });
        } else if (name == QLatin1String("cmdoutlineborder")) {
            overlays([color](VideoOverlays& o) { o.text.outlineBorder = color; });
        } else if (name == QLatin1String("cmdhashforecolor")) {
            m_hashfore = color;
            hatchChosen();
        } else if (name == QLatin1String("cmdhashbackcolor")) {
            m_hashback = color;
            hatchChosen();
        } else if (name == QLatin1String("cmdimagetrancolor")) {
            m_trancolor = color;
            drawImage();
        }
    }
    publish();
}

void CaptureSetup::file_chosen(const QString& name, const QString& path) {
    if (name == QLatin1String("cmdtextureselimage")) {
        m_elements.setText(QStringLiteral("txttextureimage"), path);
        if (m_video) overlays([&path](VideoOverlays& o) { o.text.textureFile = path; });
    } else if (name == QLatin1String("Command4")) {
        m_elements.setText(QStringLiteral("txtimage"), path);
        if (m_video) drawImage();
    } else if (name == QLatin1String("Command2") && m_video &&
               m_elements.enabled(QStringLiteral("Command2"))) {
        capture(path);
    }
    publish();
}

void CaptureSetup::run(const QString& name) {
    const auto handler = m_handlers.constFind(name);
    if (handler != m_handlers.constEnd() && m_video && m_audio && m_elements.enabled(name))
        (*handler)();
    publish();
}

void CaptureSetup::publish() {
    ElementUpdates changes = m_elements.takeChanges();
    if (!changes.isEmpty()) emit elementsChanged(changes);
}

void CaptureSetup::fillList(const QString& name, const QStringList& items, bool selectFirst) {
    m_elements.setItems(name, items);
    if (selectFirst && !items.isEmpty()) select(name, 0);
}

// Choosing an entry runs the list's handler, as a click on it does.
void CaptureSetup::select(const QString& name, int position) {
    if (position < 0 || position >= m_elements.items(name).size()) return;
    m_elements.setValue(name, position);
    const auto handler = m_handlers.constFind(name);
    if (handler != m_handlers.constEnd() && m_video && m_audio) (*handler)();
}

void CaptureSetup::overlays(const std::function<void(VideoOverlays&)>& change) {
    VideoOverlays overlays = m_video->overlays();
    change(overlays);
    m_video->setOverlays(overlays);
}

qint16 CaptureSetup::number(const QString& name) const {
    return m_numbers.value(name);
}

void CaptureSetup::audioDeviceChosen() {
    const int device = m_elements.value(QStringLiteral("cboaudiodevice"));
    m_audio->selectDevice(device);
    fillList(QStringLiteral("cboinputpin"), m_audio->inputs(), true);
    m_audio->selectInput(m_elements.value(QStringLiteral("cboinputpin")));
}

void CaptureSetup::videoDeviceChosen() {
    m_video->selectDevice(m_elements.value(QStringLiteral("cboDevice")));
    fillList(QStringLiteral("cboVideoInput"), m_video->inputs(), true);
    fillList(QStringLiteral("cboVideoFormat"), m_video->formats(), true);
    m_video->selectInput(m_elements.value(QStringLiteral("cboVideoInput")));
}

void CaptureSetup::textStyleChosen() {
    const int style = m_elements.value(QStringLiteral("cbotextstyle"));
    overlays([style](VideoOverlays& o) { o.text.style = static_cast<TextStyle>(style); });
    const QStringList& uses = kStyleUses[style];
    for (const QString& name : kStyleElements) {
        const bool outline = name.startsWith(QLatin1String("cmdoutline"));
        if (style != kTextureStyle || !outline) m_elements.setEnabled(name, uses.contains(name));
    }
    if (style == kTextureStyle && m_elements.text(QStringLiteral("txttextureimage")).isEmpty())
        emit message(kTextureMissing);
}

void CaptureSetup::applyRotation() {
    const int rotation = std::max(m_elements.value(QStringLiteral("cborotate")), 0);
    overlays([rotation](VideoOverlays& o) { o.rotation = rotation; });
}

void CaptureSetup::applyInvert() {
    const bool invert = m_elements.checked(QStringLiteral("chkinvertcolor"));
    overlays([invert](VideoOverlays& o) { o.invert = invert; });
}

void CaptureSetup::rotationChosen() {
    applyRotation();
    if (m_elements.checked(QStringLiteral("chkinvertcolor"))) warnRotateInvert();
}

// A quarter turn with inverted colours is kept, but the user is told it is not supported.
void CaptureSetup::warnRotateInvert() {
    if (m_elements.value(QStringLiteral("cborotate")) % 2 == 1) emit message(kRotateInvertWarning);
}

void CaptureSetup::hatchChosen() {
    const int style = m_elements.value(QStringLiteral("cbohashbrushstyle"));
    overlays([this, style](VideoOverlays& o) {
        o.text.hatchStyle = std::max(style, 0);
        o.text.hatchFore = m_hashfore;
        o.text.hatchBack = m_hashback;
    });
}

void CaptureSetup::drawText() {
    const QString text = withoutBlanks(m_elements.text(QStringLiteral("txtText"))) +
                         QStringLiteral("\n\r") +
                         withoutBlanks(m_elements.text(QStringLiteral("txtText2")));
    const int left = number(QStringLiteral("txtLeft"));
    const int top = number(QStringLiteral("txtTop"));
    overlays([&](VideoOverlays& o) {
        o.text.left = left;
        o.text.top = top;
        o.text.text = text;
    });
}

void CaptureSetup::drawTime() {
    const int left = number(QStringLiteral("txtdateleft"));
    const int top = number(QStringLiteral("txtdatetop"));
    const int format = std::max(m_elements.value(QStringLiteral("cboDateFormat")), 0);
    overlays([&](VideoOverlays& o) {
        o.date.left = left;
        o.date.top = top;
        o.date.format = format;
    });
}

void CaptureSetup::drawImage() {
    const int left = number(QStringLiteral("txtimageleft"));
    const int top = number(QStringLiteral("txtimagetop"));
    const QString file = m_elements.text(QStringLiteral("txtimage"));
    const int alpha = m_elements.value(QStringLiteral("Slider1"));
    overlays([&](VideoOverlays& o) {
        o.picture.left = left;
        o.picture.top = top;
        o.picture.file = file;
        o.picture.transparentColor = m_trancolor;
        o.picture.alpha = alpha;
    });
}

void CaptureSetup::applyShown() {
    overlays([this](VideoOverlays& o) {
        o.text.shown = m_elements.checked(QStringLiteral("chkshowtext"));
        o.picture.shown = m_elements.checked(QStringLiteral("chkshowimage"));
    });
    m_video->setDateTimeOverlay(m_elements.checked(QStringLiteral("chkshowdatetime")));
}

// The chosen entries, found by name: a name the element no longer knows leaves its choice.
void CaptureSetup::controlCap() {
    auto apply = [this](const char* list, const QStringList& known, void (VideoElement::*choose)(int)) {
        const int position = known.indexOf(m_elements.selectedItem(QString::fromLatin1(list)));
        if (position >= 0) (m_video->*choose)(position);
    };
    apply("cboDevice", m_video->devices(), &VideoElement::selectDevice);
    apply("cboVideoInput", m_video->inputs(), &VideoElement::selectInput);
    apply("cboVideoFormat", m_video->formats(), &VideoElement::selectFormat);
    apply("cboVideoCompressor", m_video->compressors(), &VideoElement::selectCompressor);
}

bool CaptureSetup::refusedWhileRecording(const QString& button) {
    const QString mode = m_recordingMode ? m_recordingMode() : QString();
    if (!mode.isEmpty()) emit message(kRecordingRuns.arg(button, mode));
    return !mode.isEmpty();
}

void CaptureSetup::preview() {
    if (refusedWhileRecording(QStringLiteral("Preview"))) return;
    controlCap();
    // A preview never records: a capture still running is finished, not written over.
    m_video->setCaptureToFile(false);
    m_video->start();
    emit videoShown();
    applyShown();
    applyRotation();
    drawText();
    drawTime();
    drawImage();
}

void CaptureSetup::capture(const QString& file) {
    if (refusedWhileRecording(QStringLiteral("Capture"))) return;
    controlCap();
    m_video->setCaptureVideo(m_elements.checked(QStringLiteral("chkCaptureVideo")));
    m_video->setPreview(m_elements.checked(QStringLiteral("chkShowPreview")));
    m_video->setUseCompressor(m_elements.checked(QStringLiteral("ChkUseVideoCap")));
    m_video->setCaptureToFile(true);
    m_video->setFileName(file);
    applyRotation();
    const CaptureStart result = m_video->start();
    applyShown();
    applyRotation();
    applyInvert();
    drawText();
    drawTime();
    drawImage();
    if (result == CaptureStart::Failed) {
        emit message(kCaptureFailure);
    } else if (result == CaptureStart::FileNotFound) {
        emit message(kCaptureFileNotFound);
    } else {
        emit videoShown();
        m_elements.setEnabled(QStringLiteral("Command1"), false);
        m_elements.setEnabled(QStringLiteral("Command2"), false);
        m_elements.setEnabled(QStringLiteral("Command3"), true);
    }
}

void CaptureSetup::stopCapture() {
    m_video->setPreview(true);
    m_video->setCaptureToFile(false);
    m_video->stop();
    m_video->start();
    drawText();
    drawTime();
    drawImage();
    applyRotation();
    applyInvert();
    applyShown();
    m_elements.setEnabled(QStringLiteral("Command1"), true);
    m_elements.setEnabled(QStringLiteral("Command2"), true);
    m_elements.setEnabled(QStringLiteral("Command3"), false);
}

void CaptureSetup::showCompressorSettings() {
    const int position = m_video->compressors().indexOf(
        m_elements.selectedItem(QStringLiteral("cboVideoCompressor")));
    if (position < 0 || !m_video->showCompressorSettings(position)) emit message(kNoPropertyPage);
}

}  // namespace nuvo
