#pragma once

#include <QMainWindow>
#include <memory>

#include "app/picture_menu.h"

class FlowScene;
class QAction;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolBar;
class CControlBar;
class CFrameBar;
class CTesmoraView;

// The main window: menu bar, the tool bar and the control bar as two bands at the top, the
// view in the middle and the status bar below. The commands of the document and the
// application are handed on as signals; the control bar is wired to the view.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(FlowScene& scene, QWidget* parent = nullptr);

    // "<document title> - Tesmora".
    void SetDocumentTitle(const QString& title);
    // Maximised; where no window manager acts on that, the frame fills the screen itself.
    void ShowMaximised();
    // Shows the word on the time step that suits the scene's data set where the status bar is
    // idle, with the button that takes its advice, or else the word on a Draw that placed few
    // streamlines, or the idle text when there is none; after every open and Draw.
    void UpdateStepNote();
    // The frame shown of a series, and its time, at the status bar's right; empty hides it.
    void ShowFrameStatus(const QString& text);
    QString FrameStatus() const;
    // Edit > Copy: the picture as the view shows it, onto the clipboard.
    void CopyPicture();

    CTesmoraView* View() const { return m_pView; }
    CControlBar* ControlBar() const { return m_pControlBar; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QToolBar* ControlBand() const { return m_pControlBand; }
    CFrameBar* FrameBar() const { return m_pFrameBar; }
    QLabel* IdleLabel() const { return m_pIdle; }
    QPushButton* HintButton() const { return m_pHintButton; }
    QScrollArea* ViewScroll() const { return m_pScroll; }
    CPictureMenu& PictureMenu() const { return *m_pPictureMenu; }

signals:
    void fileNew();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    void appAbout();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The control bar in one row or two, as a window FRAMEWIDTH pixels wide allows.
    void FitControlBar(int frameWidth);
    void CreateActions();
    void CreateMenus();
    void CreateBars(FlowScene& scene);
    void CreateStatusBar();
    void FillScreenIfNotMaximised();

    CTesmoraView* m_pView = nullptr;
    // The view when it cannot be shown for want of OpenGL; otherwise the window owns it.
    std::unique_ptr<CTesmoraView> m_pUnshownView;
    QScrollArea* m_pScroll = nullptr;
    CControlBar* m_pControlBar = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QToolBar* m_pControlBand = nullptr;
    CFrameBar* m_pFrameBar = nullptr;
    QLabel* m_pIdle = nullptr;
    QLabel* m_pFrameStatus = nullptr;
    QPushButton* m_pHintButton = nullptr;
    FlowScene& m_scene;

    QAction* m_pFileNew = nullptr;
    QAction* m_pFileOpen = nullptr;
    QAction* m_pFileSave = nullptr;
    QAction* m_pFileSaveAs = nullptr;
    QAction* m_pAppExit = nullptr;
    QAction* m_pEditUndo = nullptr;
    QAction* m_pEditCut = nullptr;
    QAction* m_pEditCopy = nullptr;
    QAction* m_pEditPaste = nullptr;
    QAction* m_pViewToolBar = nullptr;
    QAction* m_pViewStatusBar = nullptr;
    QAction* m_pAppAbout = nullptr;
    std::unique_ptr<CPictureMenu> m_pPictureMenu;
};
