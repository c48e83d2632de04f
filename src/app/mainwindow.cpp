#include "app/mainwindow.h"

#include "alarms/alarms.h"
#include "app/mainelements.h"
#include "app/menus.h"
#include "app/nightmode.h"
#include "capture/capturesetupwindow.h"
#include "capture/videoview.h"
#include "help/aboutdialog.h"
#include "review/sessionswindow.h"
#include "scope/scopeview.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QInputDialog>
#include <QKeySequence>
#include <QGroupBox>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QListWidget>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

namespace nuvo {

namespace {

// Window sizes of the two layouts, and the banner that covers the working area.
constexpr QSize kWordModeTwips{11985, 9720};
constexpr QSize kEcmOffTwips{9750, 4680};
constexpr int kFrameAndMenuTwips = 700;  // title bar and menu bar are part of those sizes
constexpr int kBannerWidthTwips = 12135;
constexpr int kBannerHeightTwips = 8775;

// Design colours; night mode shows each as a red of its brightness.
const QColor kReadoutText(0x40, 0xFF, 0x40);
const QColor kReadoutBorder(0x40, 0x40, 0x40);
const QColor kDisplayText(0xFF, 0xE0, 0x60);
const QColor kBannerText(0xFF, 0x30, 0x30);
const QColor kBannerBackground(0x10, 0x10, 0x10);
const QColor kAlarmText(0xC0, 0x00, 0x00);
constexpr qreal kButtonPoints = 8;
constexpr qreal kDisplayPoints = 12;
constexpr qreal kBannerPoints = 36;

QString css(const QColor& color) { return color.name(); }

QRect tw(int left, int top, int width, int height) { return {left, top, width, height}; }

// The column label's spacing lines its words up over the boxes below; shrink the font
// until the whole text fits rather than cutting its last word off.
// The read-only texts only grow, or start again: what was added goes to the end, which is
// then scrolled into view.
void followText(QPlainTextEdit* edit, const QString& oldText, const QString& text) {
    if (!oldText.isEmpty() && text.startsWith(oldText)) {
        QTextCursor end(edit->document());
        end.movePosition(QTextCursor::End);
        end.insertText(text.mid(oldText.size()));
    } else {
        edit->setPlainText(text);
    }
    QScrollBar* bar = edit->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void fitTextToWidth(QLabel* label, QFont font) {
    while (font.pointSizeF() > 6 &&
           QFontMetrics(font).horizontalAdvance(label->text()) > label->width()) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    label->setStyleSheet(QStringLiteral("QLabel { font-size: %1pt; }").arg(font.pointSizeF()));
}

}  // namespace

MainWindow::MainWindow(Engine* engine, std::function<QString()> shutdown, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_shutdown(std::move(shutdown)), m_scale(*this) {
    setObjectName(QStringLiteral("mainform"));
    m_designFont = font();
    buildMenus();

    m_area = new QWidget(this);
    m_area->setObjectName(QStringLiteral("workarea"));
    setCentralWidget(m_area);
    buildInstrument(m_area);
    buildWordModeArea(m_area);
    buildCompanionPanel(m_area);
    buildBanner(m_area)->raise();
    // The run's marks ("Simulated unit") stay in the status line and the title.
    m_runMark = new QLabel(engine->runMarks().names(), this);
    m_runMark->setObjectName(QStringLiteral("runmark"));
    m_fixedFonts.append({m_runMark, QStringLiteral("QLabel { color: #c00000; font-weight: bold; font-size: %1pt; }"),
                         m_designFont.pointSizeF()});
    statusBar()->addPermanentWidget(m_runMark);
    buildMarkers();
    connect(m_engine, &Engine::runMarksChanged, this, [this](const QString& names) {
        m_runMark->setText(names);
        setWindowTitle(RunMarks::title(m_mirror.text(QStringLiteral("mainform")), names));
    });
    restyle();
    applyLayout(WindowLayout::WordMode);

    // Mirror the engine's state as it stands, then follow its changes.
    for (const ElementUpdate& update : engine->elements().all()) {
        m_mirror.add(update.name, update.state);
        apply(update.name, update.state, true, QString());
    }
    // The user can type a question as soon as the window opens; the prompt text goes
    // away with the first key.
    if (auto* question = findChild<QPlainTextEdit*>(QStringLiteral("question"))) {
        question->setFocus();
        question->selectAll();
    }
    connect(engine, &Engine::elementsChanged, this, &MainWindow::applyUpdates);
    connect(engine, &Engine::statusMessage, this, &MainWindow::showStatusMessage);
    connect(engine, &Engine::layoutChanged, this, &MainWindow::applyLayout);
    connect(engine, &Engine::aboutRequested, this,
            [this](const QString& programDir) { AboutDialog::showFor(this, programDir); });
    connect(engine, &Engine::manualRequested, this,
            [this](const QString& path) { openManual(path, this); });
    connect(engine, &Engine::folderOpenRequested, this, [this](const QString& path) {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            showStatusMessage(tr("The data folder %1 could not be opened.").arg(path));
    });
    auto* setupWindow = new CaptureSetupWindow(engine->captureSetup(), this);
    connect(engine, &Engine::captureSetupRequested, setupWindow, [setupWindow] {
        setupWindow->show();
        setupWindow->raise();
        setupWindow->activateWindow();
    });
    connect(engine, &Engine::sessionsRequested, this, [this](const QString& dataDir) {
        if (m_sessions && m_sessions->dataDir() == dataDir) {
            m_sessions->refresh();
        } else {
            delete m_sessions;
            m_sessions = new SessionsWindow(dataDir, m_engine->voices(), this);
        }
        m_sessions->show();
        m_sessions->raise();
        m_sessions->activateWindow();
    });
    auto* scope = findChild<ScopeView*>(QStringLiteral("oscope"));
    connect(engine, &Engine::scopeFrameReady, scope, &ScopeView::setFrame);
}

template <typename W>
W* MainWindow::add(W* widget, const QString& name, QRect geometry) {
    widget->setObjectName(name);
    m_scale.place(widget, geometry);
    m_widgets.insert(widget->objectName(), widget);
    return widget;
}

void MainWindow::buildInstrument(QWidget* area) {
    // Channel read-outs under their column labels.
    const struct {
        const char* caption;
        int left, width;
    } columns[] = {{"Chan A", 120, 1400}, {"Chan B", 1600, 1400}, {"Trend", 3080, 700},
                   {"Average", 3860, 1300}, {"Offset", 5240, 800}};
    for (const auto& column : columns)
        m_scale.place(new QLabel(QString::fromLatin1(column.caption), area),
                      tw(column.left, 120, column.width, 250));
    auto readout = [&](const char* name, QRect geometry, QWidget* parent) {
        auto* box = add(new QLineEdit(parent), name, geometry);
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
        return box;
    };
    readout("FREQA", tw(120, 400, 1400, 400), area);
    readout("CHA_DSP", tw(120, 860, 1400, 400), area);
    readout("FREQB", tw(1600, 400, 1400, 400), area);
    readout("CHB_DSP", tw(1600, 860, 1400, 400), area);
    readout("TRENDDSP", tw(3080, 400, 700, 400), area)->setAlignment(Qt::AlignCenter);
    readout("tholddsp", tw(3860, 400, 1300, 400), area);
    auto* offsetText = readout("offsetdisp", tw(5240, 400, 800, 400), area);
    offsetText->setToolTip(QStringLiteral("Offset Level"));
    auto* offset = add(new QSlider(Qt::Horizontal, area), "ofs", tw(3080, 900, 2960, 330));
    offset->setRange(1, 100);
    offset->setToolTip(QStringLiteral("Offset Level"));
    connect(offset, &QSlider::valueChanged, this,
            [this](int value) { toEngine([e = m_engine, value] { e->ofs_change(value); }); });
    m_scale.place(new QLabel(QStringLiteral("Offset Level"), area), tw(3080, 1250, 2960, 250));

    // Temperature and the two EMF figures.
    auto* frame4 = add(new QGroupBox(area), "Frame4", tw(120, 1650, 3800, 1150));
    m_columnLabel =
        new QLabel(QStringLiteral("Temperature            EMF                   Natural"), frame4);
    m_scale.place(m_columnLabel, tw(120, 150, 3600, 250));
    readout("tempdisp", tw(120, 450, 1100, 400), frame4);
    readout("EMFdisplay1", tw(1340, 450, 1100, 400), frame4);
    readout("emfdisp", tw(2560, 450, 1100, 400), frame4);

    // Four marks, one per direction, the one opposite the weakest sensor lit.
    auto* frame8 = add(new QGroupBox(QStringLiteral("Natural EMF Direction"), area), "Frame8",
                       tw(4040, 1650, 2000, 1150));
    const QPoint marks[] = {{120, 120}, {240, 240}, {120, 360}, {0, 240}};
    const QStringList markNames = indexedGroup("Shape1", 4);
    for (int i = 0; i < 4; ++i)
        add(new QFrame(frame8), markNames[i],
            tw(800 + marks[i].x(), 350 + marks[i].y(), 135, 135))
            ->setAutoFillBackground(true);

    auto* scope = add(new ScopeView(area), "oscope", tw(6150, 120, 3500, 2680));
    scope->setToolTip(QStringLiteral("Scope"));
    // The video preview: in "ECM OFF" it moves to the top left corner, under the
    // read-outs, so it must neither hide them nor take their clicks.
    auto* frame1 = add(new QFrame(area), "Frame1", tw(2160, 5160, 4800, 3600));
    frame1->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame1->lower();
    add(new VideoView(frame1), "Video", tw(0, 0, 4800, 3600));
}

void MainWindow::buildWordModeArea(QWidget* area) {
    // The question panel: the box, the answer times and the display buttons.
    auto* frame3 = add(new QFrame(area), "Frame3", tw(120, 2950, 2000, 5900));
    auto* question = add(new QPlainTextEdit(QStringLiteral("Type Questions here!"), frame3),
                         "question", tw(0, 0, 2000, 1500));
    question->setTabChangesFocus(true);
    sendOnEnter(question, &Engine::question_change);
    connect(m_engine, &Engine::questionFocusRequested, question,
            [question] { question->setFocus(Qt::OtherFocusReason); });

    const char* answerTimes[] = {"3 seconds",  "5 seconds",  "10 seconds", "15 seconds",
                                 "25seconds",  "45 seconds", "60 seconds", " Constant"};
    const QStringList options = indexedGroup("Option1", 8);
    for (int i = 0; i < 8; ++i) {
        auto* option = add(new QRadioButton(QString::fromLatin1(answerTimes[i]), frame3),
                           options[i], tw(0, 1600 + i * 300, 2000, 290));
        option->setToolTip(QStringLiteral("Set time to answer Questions"));
        option->setAutoExclusive(false);  // the engine decides which one is chosen
        connect(option, &QRadioButton::clicked, this, [this, option, i] {
            option->setChecked(m_mirror.checked(option->objectName()));
            toEngine([e = m_engine, i] { e->Option1_click(i); });
        });
    }
    const struct {
        const char* name;
        const char* caption;
        int top;
        void (Engine::*click)();
    } buttons[] = {{"clear_main", "Clear Display", 4100, &Engine::clear_main_click},
                   {"Save_Main_display", "Capture Main Display", 4550, &Engine::Save_Main_display_click},
                   {"cancel", "Cancel Constant mode", 5000, &Engine::cancel_click}};
    for (const auto& b : buttons) {
        auto* button = add(new QPushButton(QString::fromLatin1(b.caption), frame3), b.name,
                           tw(0, b.top, 2000, 400));
        m_fixedFonts.append({button, QStringLiteral("QPushButton { font-size: %1pt; }"), kButtonPoints});
        connect(button, &QPushButton::clicked, this,
                [this, click = b.click] { toEngine([e = m_engine, click] { (e->*click)(); }); });
    }

    // Whether the program listens, for how long, or how to make it.
    auto* status = add(new QLabel(frame3), "answerstatus", tw(0, 5450, 2000, 450));
    status->setWordWrap(true);
    m_fixedFonts.append({status, QStringLiteral("QLabel { font-size: %1pt; font-weight: bold; }"), 7});

    auto* frame5 = add(new QFrame(area), "Frame5", tw(7060, 2950, 4800, 5900));
    // Read-only and following its end, so the newest words are always in sight; the user
    // may scroll back between them.
    auto* display = add(new QPlainTextEdit(frame5), "main_display", tw(0, 0, 4800, 3400));
    display->setReadOnly(true);
    display->setFocusPolicy(Qt::NoFocus);
    display->setFrameShape(QFrame::NoFrame);
    auto* screenText = add(new QPlainTextEdit(frame5), "veiwlog", tw(0, 3480, 4800, 2400));
    screenText->setReadOnly(true);
    screenText->setToolTip(QStringLiteral("Current Sceen Text last 32k characters"));
    // While the alarm screen is shown, it shares the lower part with the screen text.
    auto* alarms = add(new QPlainTextEdit(frame5), "alarmdisplay", tw(2440, 3480, 2360, 2400));
    alarms->setReadOnly(true);

    // Above the list buttons, in the column right of the scope.
    auto* list = add(new QListWidget(area), "List1", tw(9920, 300, 1820, 1250));
    list->setToolTip(QStringLiteral("Current List of words or Phonemes being Chose from"));
    list->setFocusPolicy(Qt::NoFocus);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);  // thousands of entries: keep layout cheap
    list->addItems(m_engine->currentList().entries());
    connect(m_engine, &Engine::listChanged, list, [list](const QStringList& entries) {
        list->clear();
        list->addItems(entries);
    });
    connect(m_engine, &Engine::listSelectionChanged, list, [list](int position) {
        list->setCurrentRow(position);
        if (QListWidgetItem* item = list->currentItem()) list->scrollToItem(item);
    });
    auto* frame6 = add(new QGroupBox(area), "Frame6", tw(9800, 120, 2060, 2680));
    const QStringList listButtons = indexedGroup("lcontrol", 2);
    const char* captions[] = {"Shuffle", "Restore"};
    const char* tips[] = {"Shuffle The List", "Restore the Software default List"};
    for (int i = 0; i < 2; ++i) {
        auto* button = add(new QPushButton(QString::fromLatin1(captions[i]), frame6),
                           listButtons[i], tw(120, 2100 - i * 480, 1820, 420));
        button->setToolTip(QString::fromLatin1(tips[i]));
        connect(button, &QPushButton::clicked, this,
                [this, i] { toEngine([e = m_engine, i] { e->lcontrol_click(i); }); });
    }
    list->raise();
    buildPhonemePanel(area);
}

void MainWindow::buildPhonemePanel(QWidget* area) {
    auto* frame9 = add(new QGroupBox(area), "Frame9", tw(2160, 5160, 4800, 2300));
    frame9->hide();
    auto* start = add(new QPushButton(QStringLiteral("PHONEME START"), frame9), "Command2",
                      tw(120, 200, 2200, 450));
    connect(start, &QPushButton::clicked, this,
            [this] { toEngine([e = m_engine] { e->Command2_click(); }); });
    auto* typing = add(new QPlainTextEdit(QStringLiteral("35"), frame9), "Text1",
                       tw(2440, 200, 2240, 450));
    typing->setFont(QFont(QStringLiteral("Arial")));
    sendOnEnter(typing, &Engine::Text1_change);
    const QStringList checks = indexedGroup("Check1", 4);
    for (int k = 0; k < 4; ++k) {
        auto* check = add(new QCheckBox(QStringLiteral("Voice #%1").arg(k + 1), frame9), checks[k],
                          tw(120 + k * 1150, 800, 1100, 350));
        connect(check, &QCheckBox::clicked, this, [this, k](bool checked) {
            toEngine([e = m_engine, k, checked] { e->Check1_click(k, checked); });
        });
    }
    m_scale.place(new QLabel(QStringLiteral("Delay"), frame9), tw(120, 1350, 700, 350));
    auto* delay = add(new QSlider(Qt::Horizontal, frame9), "Slider2", tw(840, 1300, 3840, 450));
    delay->setRange(1, 200);
    delay->setValue(35);
    connect(delay, &QSlider::valueChanged, this,
            [this](int value) { toEngine([e = m_engine, value] { e->Slider2_change(value); }); });
}

void MainWindow::applyLayout(WindowLayout layout) {
    m_layout = layout;
    const bool ecmOff = layout == WindowLayout::EcmOff;
    const QSize size = ecmOff ? kEcmOffTwips : kWordModeTwips;
    m_area->setFixedSize(m_scale.size(size.width(), size.height() - kFrameAndMenuTwips));
    const auto at = [this](int left, int top) { return QPoint(m_scale.px(left), m_scale.px(top, true)); };
    if (QWidget* video = m_widgets.value(QStringLiteral("Frame1")))
        video->move(ecmOff ? at(5, 5) : at(2160, 5160));
    // In "ECM OFF" the phoneme panel takes the place of the temperature and direction
    // frames, which the phoneme modes hide, instead of lying over the read-outs.
    if (QWidget* phonemes = m_widgets.value(QStringLiteral("Frame9")))
        phonemes->move(ecmOff ? at(120, 1650) : at(2160, 5160));
    fitScreenText();
    adjustSize();
}

// While the alarm screen is shown, it shares the lower part with the screen text.
void MainWindow::fitScreenText() {
    if (QWidget* screenText = m_widgets.value(QStringLiteral("veiwlog")))
        screenText->resize(m_scale.px(m_mirror.contains(QStringLiteral("alarmdisplay")) &&
                                              m_mirror.visible(QStringLiteral("alarmdisplay"))
                                          ? 2360
                                          : 4800),
                           screenText->height());
}

void MainWindow::setScalePercent(int percent) {
    if (!m_scale.setPercent(percent)) return;
    restyle();
    applyLayout(m_layout);
}

// Colours for the mode, fonts for the size: the style sheets, which override the
// palette, are made again for both.
void MainWindow::restyle() {
    QFont areaFont = m_designFont;
    areaFont.setPointSizeF(m_scale.points(m_designFont.pointSizeF()));
    for (QWidget* widget : std::initializer_list<QWidget*>{m_area, menuBar(), statusBar()})
        widget->setFont(areaFont);
    for (QMenu* menu : menuBar()->findChildren<QMenu*>()) menu->setFont(areaFont);
    fitTextToWidth(m_columnLabel, areaFont);

    // The read-outs only, not the dialogs.
    // The working area's font size, which a style sheet would not take from setFont.
    m_area->setStyleSheet(
        QStringLiteral("QWidget { font-size: %3pt; }"
                       " QLineEdit { background: black; color: %1; border: 1px solid %2;"
                       " font-family: monospace; font-weight: bold; }")
            .arg(css(shownColor(kReadoutText)), css(shownColor(kReadoutBorder)))
            .arg(areaFont.pointSizeF()));
    m_widgets.value(QStringLiteral("main_display"))
        ->setStyleSheet(QStringLiteral("QPlainTextEdit { background: black; color: %1;"
                                       " font-size: %2pt; padding: 4px; }")
                            .arg(css(shownColor(kDisplayText)))
                            .arg(m_scale.points(kDisplayPoints)));
    m_widgets.value(QStringLiteral("alarmdisplay"))
        ->setStyleSheet(QStringLiteral("QPlainTextEdit { color: %1; }").arg(css(shownColor(kAlarmText))));
    for (const FixedFont& fixed : m_fixedFonts)
        fixed.widget->setStyleSheet(fixed.style.arg(m_scale.points(fixed.points)));
    m_widgets.value(QStringLiteral("Frame7"))
        ->setStyleSheet(QStringLiteral("QFrame#Frame7 { background: %1; }").arg(css(shownBackground(kBannerBackground))));
    m_banner->setStyleSheet(QStringLiteral("QLabel { color: %1; font-family: Arial; font-size: %2pt;"
                                           " font-weight: bold; }")
                                .arg(css(shownColor(kBannerText)))
                                .arg(m_scale.points(kBannerPoints)));
    // The colours the engine gave.
    for (QWidget* widget : m_widgets) {
        const QVariant color = widget->property("nuvoColor");
        if (color.isValid()) showColor(widget, color.toUInt());
    }
    if (auto* scope = findChild<ScopeView*>(QStringLiteral("oscope"))) scope->update();
}

// Enter in a typing box hands its whole text to the engine, with the CR LF line ends the
// records use, and empties the box.
// The markers, at the foot of the window: a short note, then the key "M" (or its button)
// marks a note, "N" a noise. The keys work wherever no text box has the keyboard, so
// typing a question or a note never sets one; Enter in the note sets a note.
void MainWindow::buildMarkers() {
    auto* note = new QLineEdit(this);
    note->setObjectName(QStringLiteral("markernote"));
    note->setPlaceholderText(tr("Marker note"));
    note->setMaxLength(Engine::kMarkerNoteLength);
    note->setFixedWidth(150);
    statusBar()->addPermanentWidget(note);
    auto mark = [this, note](const QString& kind) {
        const QString text = note->text();
        note->clear();
        toEngine([e = m_engine, kind, text] { e->marker_click(kind, text); });
    };
    const struct {
        const char* name;
        const char* caption;
        const char* key;
    } kinds[] = {{"marknote", QT_TR_NOOP("Note (M)"), "M"}, {"marknoise", QT_TR_NOOP("Noise (N)"), "N"}};
    for (const auto& kind : kinds) {
        const QString key = QString::fromLatin1(kind.key);
        auto* button = new QPushButton(tr(kind.caption), this);
        button->setObjectName(QString::fromLatin1(kind.name));
        button->setFocusPolicy(Qt::NoFocus);  // the keyboard stays where it was
        statusBar()->addPermanentWidget(button);
        connect(button, &QPushButton::clicked, this, [mark, key] { mark(key); });
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, this, [mark, key] { mark(key); });
    }
    connect(note, &QLineEdit::returnPressed, this, [mark] { mark(QStringLiteral("M")); });
}

void MainWindow::sendOnEnter(QPlainTextEdit* box, void (Engine::*handler)(const QString&)) {
    connect(box, &QPlainTextEdit::textChanged, this, [this, box, handler] {
        QString text = box->toPlainText();
        if (!text.contains(QLatin1Char('\n'))) return;
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        box->clear();
        toEngine([e = m_engine, handler, text] { (e->*handler)(text); });
    });
}

template <typename Slot>
void MainWindow::toEngine(Slot slot) {
    // Queued when the engine runs in its own thread, direct when it shares ours (tests).
    QMetaObject::invokeMethod(m_engine, slot, Qt::AutoConnection);
}

void MainWindow::buildMenus() {
    QHash<QString, QMenu*> menus;
    const QHash<QString, QList<QKeySequence>> shortcuts{
        {QStringLiteral("larger"), {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}},
        {QStringLiteral("smaller"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)}},
        {QStringLiteral("normalsize"), {QKeySequence(Qt::CTRL | Qt::Key_0)}}};
    for (const MenuEntry& entry : mainMenuEntries()) {
        const QString name = QString::fromLatin1(entry.name);
        const QString caption = QString::fromUtf8(entry.caption);
        QMenu* parentMenu = entry.parent ? menus.value(QString::fromLatin1(entry.parent)) : nullptr;
        QAction* action = nullptr;
        if (entry.opensMenu) {
            QMenu* menu = parentMenu ? parentMenu->addMenu(caption) : menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menus.insert(name, menu);
            action = menu->menuAction();
        } else {
            action = parentMenu->addAction(caption);
            action->setCheckable(entry.checkable);
            action->setShortcuts(shortcuts.value(name));
            connect(action, &QAction::triggered, this, [this, name] { menuTriggered(name); });
        }
        action->setObjectName(name);
        m_actions.insert(name, action);
    }
}

QWidget* MainWindow::buildBanner(QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QStringLiteral("Frame7"));
    m_scale.place(frame, tw(0, 0, kBannerWidthTwips, kBannerHeightTwips));
    frame->setAutoFillBackground(true);
    m_banner = new QLabel(QStringLiteral("NUVO NOT PRESENT!"), frame);
    m_banner->setObjectName(QStringLiteral("Label3"));
    m_banner->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(m_banner);
    m_widgets.insert(frame->objectName(), frame);
    return frame;
}

QWidget* MainWindow::buildCompanionPanel(QWidget* parent) {
    auto* frame = new QGroupBox(QStringLiteral("Lumivar"), parent);
    frame->setObjectName(QStringLiteral("Frame10"));
    auto* slider = new QSlider(Qt::Horizontal, frame);
    slider->setObjectName(QStringLiteral("Slider1"));
    slider->setRange(0, 250);
    auto* close = new QPushButton(QStringLiteral("Close"), frame);
    close->setObjectName(QStringLiteral("Command1"));
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(slider);
    layout->addWidget(close, 0, Qt::AlignRight);
    m_scale.place(frame, tw(240, 240, 4000, 1300));
    connect(slider, &QSlider::valueChanged, this,
            [this](int level) { toEngine([e = m_engine, level] { e->Slider1_change(level); }); });
    connect(close, &QPushButton::clicked, this,
            [this] { toEngine([e = m_engine] { e->Command1_click(); }); });
    m_widgets.insert(frame->objectName(), frame);
    return frame;
}

void MainWindow::menuTriggered(const QString& name) {
    // Qt flips a check mark on its own; the engine decides what the mark really is.
    if (QAction* action = m_actions.value(name); action && action->isCheckable())
        action->setChecked(m_mirror.checked(name));
    if (name == QLatin1String("exout")) {
        close();
        return;
    }
    const QHash<QString, int> sizes{{QStringLiteral("larger"), m_scale.percent() + WindowScale::kStep},
                                    {QStringLiteral("smaller"), m_scale.percent() - WindowScale::kStep},
                                    {QStringLiteral("normalsize"), WindowScale::kSmallest}};
    if (sizes.contains(name)) {
        setScalePercent(sizes.value(name));
        return;
    }
    const auto& alarms = alarmDefinitions();
    for (int i = 0; i < int(alarms.size()); ++i) {
        if (name != QLatin1String(alarms[i].item)) continue;
        // Cancelling answers with an empty text, which disarms the alarm.
        const QString answer = QInputDialog::getText(this, QStringLiteral("Alarm Settings"),
                                                     QString::fromLatin1(alarms[i].prompt));
        toEngine([e = m_engine, i, answer] { e->alarm_answer(i, answer); });
        return;
    }
    toEngine([e = m_engine, name] { e->menu_click(name); });
}

void MainWindow::applyUpdates(const ElementUpdates& updates) {
    for (const ElementUpdate& update : updates) {
        if (!m_mirror.contains(update.name)) m_mirror.add(update.name, update.state);
        const QString oldText = m_mirror.text(update.name);
        const bool textChanged = oldText != update.state.text;
        m_mirror.setChecked(update.name, update.state.checked);
        m_mirror.setEnabled(update.name, update.state.enabled);
        m_mirror.setVisible(update.name, update.state.visible);
        m_mirror.setText(update.name, update.state.text);
        m_mirror.setColor(update.name, update.state.color);
        apply(update.name, update.state, textChanged, oldText);
    }
    m_mirror.takeChanges();
}

void MainWindow::apply(const QString& name, const ElementState& state, bool textChanged,
                       const QString& oldText) {
    if (name == QLatin1String("mainform")) {
        setWindowTitle(RunMarks::title(state.text, m_runMark->text()));
        return;
    }
    if (QAction* action = m_actions.value(name)) {
        action->setChecked(state.checked);
        action->setEnabled(state.enabled);
        action->setVisible(state.visible);
        if (name == QLatin1String("nightmode") && state.checked != nightMode()) {
            setNightMode(state.checked);
            restyle();
        }
        return;
    }
    QWidget* widget = m_widgets.value(name);
    if (!widget) return;
    if (name == QLatin1String("alarmdisplay")) fitScreenText();
    widget->setEnabled(state.enabled);
    widget->setVisible(state.visible);
    if (auto* box = qobject_cast<QLineEdit*>(widget)) box->setText(state.text);
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(state.text);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (button->isCheckable()) button->setChecked(state.checked);
        // Most buttons keep their design caption; the engine names the ones it changes.
        if (!state.text.isEmpty()) button->setText(state.text);
    }
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        if (edit->isReadOnly()) {
            if (textChanged) followText(edit, oldText, state.text);
        } else if (textChanged) {
            // A box the user types in takes the engine's text only when the engine changed it.
            edit->setPlainText(state.text);
        }
    }
    // Style sheets are costly to apply: only when the colour really changes.
    if (state.color != ElementState::kDefaultColor &&
        widget->property("nuvoColor") != QVariant(state.color)) {
        widget->setProperty("nuvoColor", state.color);
        showColor(widget, state.color);
    }
}

// A read-out's text colour, or the background of a mark or of the question box.
void MainWindow::showColor(QWidget* widget, quint32 rgb) {
    const QColor design = QColor::fromRgb(rgb);
    const bool text = qobject_cast<QLineEdit*>(widget) != nullptr;
    // A mark is a lamp, lit at full strength; the question box's grey stays a background.
    const bool lamp = !text && !qobject_cast<QPlainTextEdit*>(widget);
    const QColor shown = text || lamp ? shownColor(design) : shownBackground(design);
    widget->setStyleSheet(QStringLiteral("%1 { %2: %3; }")
                              .arg(QLatin1String(widget->metaObject()->className()),
                                   text ? QStringLiteral("color") : QStringLiteral("background"),
                                   css(shown)));
}

void MainWindow::showStatusMessage(const QString& text) { statusBar()->showMessage(text); }

void MainWindow::closeWithoutAsking() {
    m_interactiveClose = false;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_shutDown) {
        m_shutDown = true;
        const QString error = m_shutdown();
        if (!error.isEmpty()) {
            qWarning("%s", qPrintable(error));
            if (m_interactiveClose)
                QMessageBox::warning(this, QStringLiteral("The Nuvo"),
                                     tr("The settings could not be saved.\n\n%1").arg(error));
        }
    }
    event->accept();
    // Other windows may still be open; the program ends with the shut-down all the same.
    QCoreApplication::quit();
}

}  // namespace nuvo
