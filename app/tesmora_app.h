#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "app/frame_read_ahead.h"
#include "app/message_box_reporter.h"
#include "app/tesmora_doc.h"
#include "app/view_choices.h"
#include "formats/format_reader.h"
#include "scene/flow_scene.h"
#include "streamlines/separation_grid.h"

class QCoreApplication;

// The open dialog's filters: every flow file, one per format, then every file.
QStringList OpenFilters();
class QTranslator;
class CMainFrame;
class CTesmoraView;

// The application: the Qt application object, the program's one scene with its separation
// grid, the document and the main window, and the commands of the File and Help menus.
class CTesmoraApp {
public:
    // Makes the QApplication from the command line unless one exists already (a test that
    // starts several applications in one process keeps its own); for --help and --version a
    // plain core application, so that they need no display. CHOICES_FILE keeps the view's
    // choices between runs (by default DefaultViewChoicesFile(); an empty name keeps nothing).
    CTesmoraApp(int& argc, char** argv, std::optional<QString> choicesFile = std::nullopt);
    ~CTesmoraApp();
    CTesmoraApp(const CTesmoraApp&) = delete;
    CTesmoraApp& operator=(const CTesmoraApp&) = delete;

    // Builds the main window and shows it maximised, then opens a geometry file named on the
    // command line as File > Open would. False ends the program with ExitCode().
    bool InitInstance();
    // The event loop, until the main window closes.
    int Run();
    int ExitCode() const { return m_nExitCode; }

    void OnAppAbout();
    void OnFileNew();
    // The file dialog for *.gri and every other file the scene reads, then OpenPath with the
    // chosen file.
    void OnFileOpen();
    // Writes the picture to the file it was last saved to, or asks first.
    void OnFileSave();
    void OnFileSaveAs();

    // File > Open's whole work once a path is chosen: the wait cursor, the load (any failure
    // is reported in a message box), the title and a repaint. True when the data set loaded.
    bool OpenPath(const QString& path);
    // Several files, or a .gri pair with numbered solution files, open as the frames of a
    // series (the first shown, the frame bar for the rest); one file as OpenPath opens it.
    bool OpenPaths(const QStringList& paths);
    // Shows frame FRAME of the series opened; false (reported) when it cannot be shown. The
    // frame read ahead is taken when it is this one, and the next one in the direction of the
    // last step is read ahead in its place.
    bool ShowFrame(int frame);
    std::size_t FrameCount() const { return m_frames.size(); }
    // How many frames were shown from a read ahead, since the start.
    std::size_t FramesShownFromReadAhead() const { return m_nFramesReadAhead; }
    // The picture as the view shows it, as a PNG file; an existing file is replaced only when
    // the new one is complete. A failure is reported; false then.
    bool SavePicture(const QString& path);

    FlowScene& Scene() { return m_scene; }
    CTesmoraDoc& Document() { return m_doc; }
    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    CTesmoraView* View() const;

private:
    void UpdateTitle();
    // Spans the colours, and so the legend, over the frames of the series opened or over the
    // frame shown, as the settings say, and colours the picture anew where that changes them.
    void SpanColours();

    std::unique_ptr<QCoreApplication> m_pOwnedApp;
    std::unique_ptr<QTranslator> m_pQtTexts;
    QStringList m_arguments;
    SeparationGrid m_grid;
    MessageBoxReporter m_reporter;
    // Declared before the scene, which holds on to it.
    formats::FormatReader m_reader;
    FlowScene m_scene{m_grid, &m_reporter};
    CTesmoraDoc m_doc;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    int m_nExitCode = 0;
    std::optional<QString> m_choicesFile;
    std::vector<Frame> m_frames;    // of the data set opened; one for a single field
    std::size_t m_nShownFrame = 0;  // the frame the last step went to
    std::size_t m_nFramesReadAhead = 0;
    // Last, so that a read still running ends before anything else goes.
    FrameReadAhead m_readAhead;
};
