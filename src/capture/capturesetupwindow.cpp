#include "capture/capturesetupwindow.h"

#include "capture/capturesetup.h"
#include "settings/settingsvalues.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace nuvo {

namespace {

const QString kTitle = QStringLiteral("Audio /  Video Setup");

QGroupBox* frame(const QString& title, QLayout* layout) {
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

// A label with its element, for a form.
QWidget* labelled(const QString& caption, QWidget* element) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption);
    label->setBuddy(element);
    layout->addWidget(label);
    layout->addWidget(element, 1);
    return row;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* layout = new QHBoxLayout;
    for (QWidget* widget : widgets) layout->addWidget(widget);
    return layout;
}

QVBoxLayout* column(std::initializer_list<QWidget*> widgets) {
    auto* layout = new QVBoxLayout;
    for (QWidget* widget : widgets) layout->addWidget(widget);
    return layout;
}

}  // namespace

CaptureSetupWindow::CaptureSetupWindow(CaptureSetup* setup, QWidget* parent)
    : QWidget(parent, Qt::Window), m_setup(setup) {
    setObjectName(QStringLiteral("vid2"));
    setWindowTitle(kTitle);
    auto* tabs = named(new QTabWidget, "SSTab1");
    tabs->addTab(buildVideoPage(), QStringLiteral("Video Setup"));
    tabs->addTab(buildTextPage(), QStringLiteral("Screen Text"));
    tabs->addTab(buildAudioPage(), QStringLiteral(" Audio Setup"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buildTestControls());

    for (const ElementUpdate& update : setup->elements().all()) apply(update.name, update.state);
    connect(setup, &CaptureSetup::elementsChanged, this, &CaptureSetupWindow::applyUpdates);
    connect(setup, &CaptureSetup::message, this, [this](const QString& text) {
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("The Nuvo"), text,
                                    QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}

QWidget* CaptureSetupWindow::buildVideoPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    auto* buttons = column({button("Command1", "Preview"),
                            fileButton("Command2", "Capture", QStringLiteral("Avi File (*.avi)"), true),
                            button("Command3", "Stop Capture"), button("Command6", "Pause"),
                            button("Command7", "Resume")});
    buttons->addStretch();
    grid->addLayout(buttons, 0, 0, 2, 1);

    auto* devices = new QFormLayout;
    devices->addRow(QStringLiteral("Device"), list("cboDevice"));
    devices->addRow(QStringLiteral("Video Input"), list("cboVideoInput"));
    devices->addRow(QStringLiteral("Video Format"), list("cboVideoFormat"));
    devices->addRow(check("ChkUseVideoCap", "Use Video Compressor "),
                    row({list("cboVideoCompressor"), button("Command5", "Setting")}));
    devices->addRow(check("ChkUseAudioCap", "Use Audio Compressor "), list("cboAudioCompressor"));
    devices->addRow(QStringLiteral("Audio Input"), list("cboaudioinput"));
    devices->addRow(QStringLiteral("Pre-alarm Seconds"),
                    spinBox("updPreAlarm", kMaxPreAlarmSeconds));
    devices->addRow(row({button("Command16", "Force Video"), button("Command14", "Show Video Setup"),
                         colorButton("cmdBackgroundColor", "Background Color")}));
    auto* options = new QGridLayout;
    options->addWidget(check("chkShowPreview", "Show Preview when Capture"), 0, 0);
    options->addWidget(check("ChkCaptureAudio", "Capture Audio"), 0, 1);
    options->addWidget(check("chkCaptureVideo", "Capture Video"), 0, 2);
    options->addWidget(check("chkaspectratio", "Aspect Ratio"), 1, 0);
    options->addWidget(check("ChkTVMute", "TV Mute"), 1, 1);
    devices->addRow(options);
    grid->addWidget(frame(QStringLiteral("Capture Device"), devices), 0, 1, 2, 1);

    auto* rotate = new QFormLayout;
    rotate->addRow(QStringLiteral("Rotate"), list("cborotate"));
    rotate->addRow(QStringLiteral("Invert Color"), check("chkinvertcolor", "On"));
    grid->addWidget(frame(QStringLiteral("Rotate"), rotate), 0, 2);

    auto* date = new QFormLayout;
    date->addRow(QStringLiteral("Format"), list("cboDateFormat"));
    date->addRow(QStringLiteral("Left"), textBox("txtdateleft", true));
    date->addRow(QStringLiteral("Top"), textBox("txtdatetop", true));
    date->addRow(QStringLiteral("Font Name"), list("cbodatefontname"));
    date->addRow(QStringLiteral("Font Style"), list("cbodatefontstyle"));
    date->addRow(QStringLiteral("Font Size"), list("cbodatefontsize"));
    date->addRow(QStringLiteral("ForeColor"), colorButton("Command9", "change"));
    date->addRow(row({button("Command11", "Draw Time"), check("chkshowdatetime", "Show Date Time")}));
    grid->addWidget(named(frame(QStringLiteral("Date Time"), date), "Frame1"), 1, 2);
    grid->setRowStretch(2, 1);
    return page;
}

QWidget* CaptureSetupWindow::buildTextPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);

    auto* text = new QFormLayout;
    text->addRow(QStringLiteral("Text 1"), textBox("txtText"));
    text->addRow(QStringLiteral("Text 2"), textBox("txtText2"));
    text->addRow(row({labelled(QStringLiteral("Left"), textBox("txtLeft", true)),
                      labelled(QStringLiteral("Top"), textBox("txtTop", true))}));
    text->addRow(QStringLiteral("Font Name"), list("cbofontname"));
    text->addRow(QStringLiteral("Font Style"), list("cbofontstyle"));
    text->addRow(QStringLiteral("Font Size"), list("cbofontsize"));
    text->addRow(row({check("chkshowtext", "Show Text"), button("Command10", "Draw Text")}));
    text->addRow(QStringLiteral("Text Style"), list("cbotextstyle"));
    grid->addWidget(frame(QStringLiteral("Text"), text), 0, 0);

    const QString images = QStringLiteral("Bitmap File (*.bmp);;JPEG File (*.jpg);;Gif File (*.gif)");
    auto* styles = new QVBoxLayout;
    styles->addWidget(frame(QStringLiteral("Normal"),
                            row({colorButton("cmdsolidfontcolor", "Font Color")})));
    auto* hatch = new QFormLayout;
    hatch->addRow(QStringLiteral("Style"), list("cbohashbrushstyle"));
    hatch->addRow(row({colorButton("cmdhashforecolor", "ForeColor"),
                       colorButton("cmdhashbackcolor", "BackColor")}));
    styles->addWidget(frame(QStringLiteral("Hash Brush"), hatch));
    auto* texture = new QFormLayout;
    texture->addRow(QStringLiteral("image File"), textBox("txttextureimage"));
    texture->addRow(fileButton("cmdtextureselimage", "Select Image", images));
    styles->addWidget(frame(QStringLiteral("Texture Brush"), texture));
    styles->addWidget(frame(QStringLiteral("Outline"),
                            row({colorButton("cmdoutlineback", "Outline Back Color"),
                                 colorButton("cmdoutlineborder", "Outline Border Color")})));
    grid->addLayout(styles, 0, 1);

    auto* image = new QFormLayout;
    image->addRow(QStringLiteral("File"),
                  row({textBox("txtimage"),
                       fileButton("Command4", "Select Image", QStringLiteral("Bitmap File (*.bmp)"))}));
    image->addRow(QStringLiteral("Left"), row({textBox("txtimageleft", true), slider("Slider2", 320)}));
    image->addRow(QStringLiteral("Top"), row({textBox("txtimagetop", true), slider("Slider3", 240)}));
    image->addRow(QStringLiteral("Alpha Channel 0-255"), slider("Slider1", 255));
    image->addRow(QStringLiteral("Transparent Color"), colorButton("cmdimagetrancolor", "Change"));
    image->addRow(row({check("chkshowimage", "Show Image"), button("cmddrawimage", "Draw Image")}));
    grid->addWidget(frame(QStringLiteral("Image"), image), 1, 0, 1, 2);
    return page;
}

QWidget* CaptureSetupWindow::buildAudioPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->addRow(QStringLiteral("Audio Device"), list("cboaudiodevice"));
    form->addRow(QStringLiteral("Input Pin"), list("cboinputpin"));
    auto* force = row({button("Command15", "Force Audio")});
    force->addStretch();
    form->addRow(force);
    return page;
}

// Direct controls of the inversion and the rotation by number.
QWidget* CaptureSetupWindow::buildTestControls() {
    auto* controls = new QWidget;
    auto* layout = row({button("Command8", "Command8"), button("Command12", "Command12"),
                        button("Command13", "Command13"), textBox("Text1", true)});
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    controls->setLayout(layout);
    return controls;
}

template <typename W>
W* CaptureSetupWindow::named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    m_widgets.insert(widget->objectName(), widget);
    return widget;
}

QWidget* CaptureSetupWindow::button(const char* name, const char* caption) {
    auto* button = named(new QPushButton(QString::fromLatin1(caption)), name);
    const QString element = QString::fromLatin1(name);
    connect(button, &QPushButton::clicked, this,
            [this, element] { send([element](CaptureSetup* s) { s->button_click(element); }); });
    return button;
}

QWidget* CaptureSetupWindow::colorButton(const char* name, const char* caption) {
    auto* button = named(new QPushButton(QString::fromLatin1(caption)), name);
    const QString element = QString::fromLatin1(name);
    connect(button, &QPushButton::clicked, this, [this, element] {
        const QColor color = QColorDialog::getColor(Qt::white, this);
        if (!color.isValid()) return;  // cancelled
        const quint32 rgb = color.rgb() & 0xFFFFFF;
        send([element, rgb](CaptureSetup* s) { s->color_chosen(element, rgb); });
    });
    return button;
}

QWidget* CaptureSetupWindow::fileButton(const char* name, const char* caption,
                                        const QString& filter, bool forSaving) {
    auto* button = named(new QPushButton(QString::fromLatin1(caption)), name);
    const QString element = QString::fromLatin1(name);
    connect(button, &QPushButton::clicked, this, [this, element, filter, forSaving] {
        const QString path = forSaving ? QFileDialog::getSaveFileName(this, {}, {}, filter)
                                       : QFileDialog::getOpenFileName(this, {}, {}, filter);
        if (path.isEmpty()) return;  // cancelled
        const QString file = QDir::toNativeSeparators(path);
        send([element, file](CaptureSetup* s) { s->file_chosen(element, file); });
    });
    return button;
}

QWidget* CaptureSetupWindow::check(const char* name, const char* caption) {
    auto* box = named(new QCheckBox(QString::fromLatin1(caption)), name);
    const QString element = QString::fromLatin1(name);
    connect(box, &QCheckBox::clicked, this, [this, element](bool checked) {
        send([element, checked](CaptureSetup* s) { s->check_click(element, checked); });
    });
    return box;
}

QWidget* CaptureSetupWindow::list(const char* name) {
    auto* box = named(new QComboBox, name);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(12);
    const QString element = QString::fromLatin1(name);
    connect(box, &QComboBox::activated, this, [this, element](int position) {
        send([element, position](CaptureSetup* s) { s->list_click(element, position); });
    });
    return box;
}

QWidget* CaptureSetupWindow::textBox(const char* name, bool number) {
    auto* box = named(new QLineEdit, name);
    if (number) {
        box->setValidator(new QIntValidator(-32768, 32767, box));
        box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("-000000")) + 12);
    }
    const QString element = QString::fromLatin1(name);
    connect(box, &QLineEdit::textEdited, this, [this, element](const QString& text) {
        send([element, text](CaptureSetup* s) { s->text_change(element, text); });
    });
    return box;
}

QWidget* CaptureSetupWindow::slider(const char* name, int maximum) {
    auto* slider = named(new QSlider(Qt::Horizontal), name);
    slider->setRange(0, maximum);
    const QString element = QString::fromLatin1(name);
    // Only the user's moves: the mirror sets the value with signals blocked.
    connect(slider, &QSlider::valueChanged, this, [this, element](int position) {
        send([element, position](CaptureSetup* s) { s->slider_change(element, position); });
    });
    return slider;
}

QWidget* CaptureSetupWindow::spinBox(const char* name, int maximum) {
    auto* box = named(new QSpinBox, name);
    box->setRange(0, maximum);
    const QString element = QString::fromLatin1(name);
    connect(box, &QSpinBox::valueChanged, this, [this, element](int value) {
        send([element, value](CaptureSetup* s) { s->slider_change(element, value); });
    });
    return box;
}

void CaptureSetupWindow::send(std::function<void(CaptureSetup*)> action) {
    // Queued when the setup runs in the engine's thread, direct when it shares ours (tests).
    QMetaObject::invokeMethod(
        m_setup, [setup = m_setup, action] { action(setup); }, Qt::AutoConnection);
}

void CaptureSetupWindow::applyUpdates(const nuvo::ElementUpdates& updates) {
    for (const ElementUpdate& update : updates) apply(update.name, update.state);
}

void CaptureSetupWindow::apply(const QString& name, const ElementState& state) {
    QWidget* widget = m_widgets.value(name);
    if (!widget) return;
    const QSignalBlocker quiet(widget);
    widget->setEnabled(state.enabled);
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        box->setChecked(state.checked);
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        if (line->text() != state.text) line->setText(state.text);  // keeps the cursor
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
        if (shown != state.items) {
            combo->clear();
            combo->addItems(state.items);
        }
        combo->setCurrentIndex(state.value);
    } else if (auto* slider = qobject_cast<QSlider*>(widget)) {
        slider->setValue(state.value);
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        spin->setValue(state.value);
    }
}

}  // namespace nuvo
