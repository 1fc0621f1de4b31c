#include "app/main_frame.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "app/control_bar.h"
#include "app/frame_bar.h"
#include "app/tesmora_view.h"
#include "app/time_step_hint.h"
#include "app/ui_texts.h"
#include "scene/data_set_checks.h"
#include "scene/flow_scene.h"

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// How long a window manager may take to maximise a newly shown window.
constexpr int kWindowManagerGraceMs = 300;
constexpr QSize kCreatedSize(600, 600);  // the bands may ask for more width

QAction* MakeAction(QObject* parent, const char* name, const char* text, const ui::Prompt& prompt,
                    const QList<QKeySequence>& keys = {}) {
    auto* action = new QAction(Text(text), parent);
    action->setObjectName(QString::fromLatin1(name));
    action->setStatusTip(Text(prompt.status));
    action->setToolTip(Text(prompt.tip));
    action->setShortcuts(keys);
    return action;
}

}  // namespace

CMainFrame::CMainFrame(FlowScene& scene, QWidget* parent) : QMainWindow(parent), m_scene(scene) {
    setObjectName(QStringLiteral("mainFrame"));
    // Created at the top-left corner with 600 x 600 pixels, then shown maximised.
    move(0, 0);
    resize(kCreatedSize);
    CreateActions();
    CreateMenus();
    CreateBars(scene);
    CreateStatusBar();
    m_pControlBar->ConnectTo(m_pView);
    m_pPictureMenu->ConnectTo(m_pView);
    SetDocumentTitle(Text(ui::kUntitled));
}

void CMainFrame::CreateActions() {
    m_pFileNew =
        MakeAction(this, "actionFileNew", ui::kFileNew, ui::kPromptNew, {QKeySequence(Qt::CTRL | Qt::Key_N)});
    m_pFileNew->setIcon(QIcon(QStringLiteral(":/icons/file_new.png")));
    m_pFileOpen = MakeAction(this, "actionFileOpen", ui::kFileOpen, ui::kPromptOpen,
                             {QKeySequence(Qt::CTRL | Qt::Key_O)});
    m_pFileOpen->setIcon(QIcon(QStringLiteral(":/icons/file_open.png")));
    m_pFileSave = MakeAction(this, "actionFileSave", ui::kFileSave, ui::kPromptSave,
                             {QKeySequence(Qt::CTRL | Qt::Key_S)});
    m_pFileSave->setIcon(QIcon(QStringLiteral(":/icons/file_save.png")));
    m_pFileSaveAs = MakeAction(this, "actionFileSaveAs", ui::kFileSaveAs, ui::kPromptSaveAs);
    m_pAppExit = MakeAction(this, "actionAppExit", ui::kAppExit, ui::kPromptExit);

    // The editing commands but Copy have nothing to work on; their keys are reserved but do
    // nothing. Copy puts the picture on the clipboard.
    m_pEditUndo = MakeAction(this, "actionEditUndo", ui::kEditUndo, ui::kPromptUndo,
                             {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    m_pEditCut = MakeAction(this, "actionEditCut", ui::kEditCut, ui::kPromptCut,
                            {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    m_pEditCopy = MakeAction(this, "actionEditCopy", ui::kEditCopy, ui::kPromptCopy,
                             {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    m_pEditPaste = MakeAction(this, "actionEditPaste", ui::kEditPaste, ui::kPromptPaste,
                              {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    for (QAction* action : {m_pEditUndo, m_pEditCut, m_pEditPaste}) action->setEnabled(false);

    m_pViewToolBar = MakeAction(this, "actionViewToolBar", ui::kViewToolBar, ui::kPromptToolBar);
    m_pViewStatusBar = MakeAction(this, "actionViewStatusBar", ui::kViewStatusBar, ui::kPromptStatusBar);
    for (QAction* action : {m_pViewToolBar, m_pViewStatusBar}) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    m_pAppAbout = MakeAction(this, "actionAppAbout", ui::kAppAbout, ui::kPromptAbout);

    // Pane switching has no panes to switch in a single view; the keys are taken all the same.
    QAction* nextPane =
        MakeAction(this, "actionNextPane", "", ui::kPromptNextPane, {QKeySequence(Qt::Key_F6)});
    QAction* prevPane =
        MakeAction(this, "actionPrevPane", "", ui::kPromptPrevPane, {QKeySequence(Qt::SHIFT | Qt::Key_F6)});
    for (QAction* action : {nextPane, prevPane}) {
        action->setEnabled(false);
        addAction(action);
    }

    connect(m_pFileNew, &QAction::triggered, this, &CMainFrame::fileNew);
    connect(m_pFileOpen, &QAction::triggered, this, &CMainFrame::fileOpen);
    connect(m_pFileSave, &QAction::triggered, this, &CMainFrame::fileSave);
    connect(m_pFileSaveAs, &QAction::triggered, this, &CMainFrame::fileSaveAs);
    connect(m_pAppExit, &QAction::triggered, this, &QWidget::close);
    connect(m_pAppAbout, &QAction::triggered, this, &CMainFrame::appAbout);
    connect(m_pEditCopy, &QAction::triggered, this, &CMainFrame::CopyPicture);
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(Text(ui::kMenuFile));
    file->setObjectName(QStringLiteral("menuFile"));
    file->addActions({m_pFileNew, m_pFileOpen, m_pFileSave, m_pFileSaveAs});
    file->addSeparator();
    file->addAction(m_pAppExit);

    QMenu* edit = menuBar()->addMenu(Text(ui::kMenuEdit));
    edit->setObjectName(QStringLiteral("menuEdit"));
    edit->addAction(m_pEditUndo);
    edit->addSeparator();
    edit->addActions({m_pEditCut, m_pEditCopy, m_pEditPaste});

    QMenu* view = menuBar()->addMenu(Text(ui::kMenuView));
    view->setObjectName(QStringLiteral("menuView"));
    view->addActions({m_pViewToolBar, m_pViewStatusBar});
    m_pPictureMenu = std::make_unique<CPictureMenu>(view, this);

    QMenu* help = menuBar()->addMenu(Text(ui::kMenuHelp));
    help->setObjectName(QStringLiteral("menuHelp"));
    help->addAction(m_pAppAbout);
}

void CMainFrame::CreateBars(FlowScene& scene) {
    // Two bands at the top, each with its grip: the tool bar, then the control bar.
    m_pToolBar = new QToolBar(Text(ui::kToolBarTitle), this);
    m_pToolBar->setObjectName(QStringLiteral("toolBar"));
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_pToolBar->addActions({m_pFileNew, m_pFileOpen, m_pFileSave});

    m_pControlBar = new CControlBar(this);
    m_pControlBand = new QToolBar(Text(ui::kControlBarTitle), this);
    m_pControlBand->setObjectName(QStringLiteral("controlBand"));
    m_pControlBand->addWidget(m_pControlBar);

    for (QToolBar* band : {m_pToolBar, m_pControlBand}) {
        band->setAllowedAreas(Qt::TopToolBarArea);
        band->setFloatable(false);
        band->setMovable(true);
        addToolBar(Qt::TopToolBarArea, band);
    }

    // Below the picture, as a player's controls are; hidden for a single field.
    m_pFrameBar = new CFrameBar(this);
    addToolBar(Qt::BottomToolBarArea, m_pFrameBar);

    m_pView = new CTesmoraView(scene, this);
    m_pView->SetControlBar(m_pControlBar);
    if (CTesmoraView::OpenGLAvailable()) {
        // A window too small for the picture scrolls; at the start the top of the picture shows.
        m_pScroll = new QScrollArea(this);
        m_pScroll->setObjectName(QStringLiteral("viewScroll"));
        m_pScroll->setFrameShape(QFrame::NoFrame);
        m_pScroll->setWidgetResizable(true);
        m_pScroll->setWidget(m_pView);
        setCentralWidget(m_pScroll);
    } else {
        // An OpenGL widget in a window without OpenGL brings the whole window down when it
        // is first shown. The view stays, out of the window, so that every command still
        // works on the scene; the window shows black where the picture would be and tells
        // the user once it is up.
        m_pView->setParent(nullptr);
        m_pUnshownView.reset(m_pView);
        auto* black = new QWidget(this);
        black->setObjectName(QStringLiteral("noPicture"));
        black->setAutoFillBackground(true);
        QPalette palette = black->palette();
        palette.setColor(QPalette::Window, Qt::black);
        black->setPalette(palette);
        setCentralWidget(black);
        QTimer::singleShot(0, this, [this] {
            QMessageBox::critical(this, Text(ui::kAppTitle), Text(ui::kErrorCreatingRC));
        });
    }

    connect(m_pViewToolBar, &QAction::toggled, m_pToolBar, &QWidget::setVisible);
    connect(m_pViewToolBar, &QAction::toggled, this, [this] { FitControlBar(width()); });
    connect(m_pToolBar, &QToolBar::visibilityChanged, m_pViewToolBar, [this](bool visible) {
        // Hiding the whole window hides the bar as well; only a deliberate change counts.
        if (isVisible()) m_pViewToolBar->setChecked(visible);
    });
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    // The idle text is a normal widget: every temporary message (menu prompts, the pointer
    // read-out) covers it and it shows again when the message is cleared.
    m_pIdle = new QLabel(Text(ui::kIdle), bar);
    m_pIdle->setObjectName(QStringLiteral("idleText"));
    // A long note must not widen the window; cut short, it is still whole in the tool tip.
    m_pIdle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_pIdle, 1);
    // The time-step note's way out, shown with it: the choices it names, and Draw.
    m_pHintButton = new QPushButton(Text(ui::kHintButton), bar);
    m_pHintButton->setObjectName(QStringLiteral("hintButton"));
    m_pHintButton->setStatusTip(Text(ui::kPromptHintButton.status));
    m_pHintButton->setToolTip(Text(ui::kPromptHintButton.tip));
    m_pHintButton->hide();
    bar->addPermanentWidget(m_pHintButton);
    m_pFrameStatus = new QLabel(bar);
    m_pFrameStatus->setObjectName(QStringLiteral("frameStatus"));
    m_pFrameStatus->hide();
    bar->addPermanentWidget(m_pFrameStatus);
    connect(m_pHintButton, &QPushButton::clicked, m_pView, &CTesmoraView::OnApplyStepHint);
    connect(m_pView, &CTesmoraView::choicesChanged, this,
            [this] { m_pControlBar->ShowChoices(m_pView->Settings()); });

    connect(m_pViewStatusBar, &QAction::toggled, bar, &QWidget::setVisible);
    connect(m_pView, &CTesmoraView::pointerReadout, bar,
            [bar](const QString& text) { bar->showMessage(text); });
    connect(m_pView, &CTesmoraView::pointerLeftPicture, bar, &QStatusBar::clearMessage);
    connect(m_pView, &CTesmoraView::sceneRedrawn, this, &CMainFrame::UpdateStepNote);
}

void CMainFrame::ShowFrameStatus(const QString& text) {
    m_pFrameStatus->setText(text);
    m_pFrameStatus->setVisible(!text.isEmpty());
}

QString CMainFrame::FrameStatus() const {
    return m_pFrameStatus->text();
}

void CMainFrame::UpdateStepNote() {
    // In the idle pane, so that the pointer's read-out covers it only while it is shown.
    const QString step = TimeStepHint(m_scene);
    QString note = step;
    // A picture of nothing moving says why, before any note on the time step.
    if (m_scene.HasDataSet() && m_scene.FlowIsZero())
        note = QString::fromStdString(loading::StillFlow(m_scene.Notes(), m_scene.m_nk).german);
    if (const auto shortfall = m_pView->Shortfall(); shortfall && note.isEmpty())
        note =
            Text(ui::kFewLinesNote).arg(QString::number(shortfall->placed), QString::number(shortfall->fine));
    m_pIdle->setText(note.isEmpty() ? Text(ui::kIdle) : note);
    m_pIdle->setToolTip(note);
    m_pHintButton->setVisible(!step.isEmpty());
}

void CMainFrame::CopyPicture() {
    QGuiApplication::clipboard()->setImage(m_pView->GrabPicture());
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FitControlBar(width());
}

void CMainFrame::FitControlBar(int frameWidth) {
    // The control band shares its row with the tool band: what is left of the width, less
    // both bands' grips and frames.
    const int bands = m_pViewToolBar->isChecked() ? m_pToolBar->sizeHint().width() : 0;
    const int grips = 2 * (style()->pixelMetric(QStyle::PM_ToolBarHandleExtent) +
                           2 * style()->pixelMetric(QStyle::PM_ToolBarFrameWidth) +
                           2 * style()->pixelMetric(QStyle::PM_ToolBarItemMargin) +
                           style()->pixelMetric(QStyle::PM_ToolBarItemSpacing));
    m_pControlBar->FitWidth(frameWidth - bands - grips);
}

void CMainFrame::SetDocumentTitle(const QString& title) {
    setWindowTitle(QStringLiteral("%1 - %2").arg(title, Text(ui::kAppTitle)));
}

void CMainFrame::ShowMaximised() {
    // The bar's rows are settled before the first paint, so that the view keeps its height.
    if (screen()) FitControlBar(screen()->availableGeometry().width());
    showMaximized();
    QTimer::singleShot(kWindowManagerGraceMs, this, &CMainFrame::FillScreenIfNotMaximised);
}

void CMainFrame::FillScreenIfNotMaximised() {
    // A bare X server has no window manager to act on the request; the frame would stay at
    // 600 x 600 and cut the picture off.
    if (!isMaximized() || !screen()) return;
    const QRect available = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    if (frame.width() < available.width() * 9 / 10 || frame.height() < available.height() * 9 / 10) {
        setGeometry(available);
        // Setting a geometry ends the maximised state; the frame is to stay maximised.
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}
