#include "app/tesmora_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QUrl>
#include <cstdio>

#include "app/about_dlg.h"
#include "app/control_bar.h"
#include "app/frame_bar.h"
#include "app/main_frame.h"
#include "app/tesmora_view.h"
#include "app/ui_texts.h"
#include "app/wait_cursor.h"
#include "common/native_names.h"
#include "common/target_file.h"
#include "formats/format_reader.h"
#include "output/picture_file.h"
#include "res/version_notice.h"
#include "tools/cli/standard_output.h"

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

QStringList OpenFilters() {
    // Every file the scene reads first, so that no export hides in an empty-looking folder.
    QString all = Text(ui::kAllFlowFiles) + QStringLiteral(" (*.gri");
    for (const std::string& pattern : formats::AcceptedPatterns())
        all += QLatin1Char(' ') + QString::fromStdString(pattern);
    QStringList filters{all + QLatin1Char(')')};
    for (const char* filter : ui::kFormatFilters) filters << Text(filter);
    filters << Text(ui::kAllFiles);
    return filters;
}

namespace {

// Exit code of a command line that cannot be used.
constexpr int kUsageExitCode = 2;

// --help and --version only print; they must work without a display as well.
bool WantsTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") break;
        if (argument == "--help" || argument == "-h" || argument == "-?" || argument == "--version" ||
            argument == "-v")
            return true;
    }
    return false;
}

QStringList ArgumentsOf(int argc, char** argv) {
    return common::NativeArguments(argc, argv);
}

}  // namespace

// The icons are compiled into this static library; naming the initialiser keeps the linker
// from leaving them out of the program.
static void InitResources() {
    Q_INIT_RESOURCE(tesmora);
}

CTesmoraApp::CTesmoraApp(int& argc, char** argv, std::optional<QString> choicesFile)
    : m_choicesFile(std::move(choicesFile)) {
    InitResources();
    if (!QCoreApplication::instance()) {
        if (WantsTextOnly(argc, argv)) {
            m_pOwnedApp = std::make_unique<QCoreApplication>(argc, argv);
        } else {
            // The platform's own options (-platform, -display, ...) are taken out of argv here.
            m_pOwnedApp = std::make_unique<QApplication>(argc, argv);
        }
    }
    m_arguments = ArgumentsOf(argc, argv);
    m_scene.SetDataSetReader(&m_reader);
    QCoreApplication::setApplicationName(QStringLiteral("tesmora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESMORA_VERSION));
    // Qt's own texts (the file dialogs, message box buttons, the command line's errors) speak
    // German as the rest of the viewer does, whatever the user's locale.
    m_pQtTexts = std::make_unique<QTranslator>();
    if (m_pQtTexts->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(m_pQtTexts.get());
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QApplication::setDesktopFileName(QStringLiteral(TESMORA_APP_ID));
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tesmora.png")));
    }
}

CTesmoraApp::~CTesmoraApp() = default;

CTesmoraView* CTesmoraApp::View() const {
    return m_pMainFrame ? m_pMainFrame->View() : nullptr;
}

bool CTesmoraApp::InitInstance() {
    // The help is the viewer's own German text, naming the program as it is installed rather
    // than by the path it was started with.
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                  QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    parser.addOption(help);
    parser.addOption(version);
    const auto usageError = [this](const QString& message) {
        std::fprintf(stderr, "tesmora: %s\n%s\n", message.toUtf8().constData(),
                     Text(ui::kTryHelp).toUtf8().constData());
        m_nExitCode = kUsageExitCode;
        return false;
    };
    if (!parser.parse(m_arguments)) return usageError(parser.errorText());
    if (parser.isSet(help) || parser.isSet(version)) {
        const QString text = parser.isSet(help)
                                 ? Text(ui::kCommandLineHelp)
                                 : QStringLiteral("tesmora %1\n%2")
                                       .arg(QStringLiteral(TESMORA_VERSION), Text(tesmora::kVersionNotice));
        // A script that asks for the version must be told when it did not get it (a full disk).
        cli::PrintOut(text.toStdString());
        m_nExitCode = cli::FinishStandardOutput("tesmora", 0);
        return false;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // Only a caller that made a non-GUI application of its own gets here.
        std::fprintf(stderr, "tesmora: no graphical application to open a window in\n");
        m_nExitCode = 1;
        return false;
    }
    const QStringList files = parser.positionalArguments();

    ApplyDrawSettings(m_scene, ViewerStartSettings());
    m_pMainFrame = std::make_unique<CMainFrame>(m_scene);
    m_reporter.SetParent(m_pMainFrame.get());
    CMainFrame* frame = m_pMainFrame.get();
    QObject::connect(frame, &CMainFrame::fileNew, frame, [this] { OnFileNew(); });
    QObject::connect(frame->FrameBar(), &CFrameBar::frameChosen, frame,
                     [this](int shown) { ShowFrame(shown); });
    // Takes effect from the next frame shown; the picture on screen stays as it is.
    QObject::connect(frame->FrameBar(), &CFrameBar::coherentChosen, frame, [this](bool on) {
        DrawSettings settings = CurrentDrawSettings(m_scene);
        settings.coherent = on;
        ApplyDrawSettings(m_scene, settings);
    });
    // Recoloured at once: what a colour means changes, the lines stay where they are.
    QObject::connect(frame->FrameBar(), &CFrameBar::frameRangeChosen, frame, [this](bool eachFrame) {
        DrawSettings settings = CurrentDrawSettings(m_scene);
        settings.range = eachFrame ? kRangeFrame : kRangeSequence;
        ApplyDrawSettings(m_scene, settings);
        SpanColours();
        if (CTesmoraView* view = View()) view->update();
    });
    QObject::connect(frame, &CMainFrame::fileOpen, frame, [this] { OnFileOpen(); });
    QObject::connect(frame, &CMainFrame::fileSave, frame, [this] { OnFileSave(); });
    QObject::connect(frame, &CMainFrame::fileSaveAs, frame, [this] { OnFileSaveAs(); });
    QObject::connect(frame, &CMainFrame::appAbout, frame, [this] { OnAppAbout(); });

    // The view shows the picture as it did when the program last ended. The default file is
    // named after the application, whose name is set by now.
    if (!m_choicesFile) m_choicesFile = DefaultViewChoicesFile();
    const ViewChoices choices = LoadViewChoices(*m_choicesFile);
    CTesmoraView* view = frame->View();
    if (choices.fitWindow) view->OnToggleFitWindow();
    if (choices.fillView) view->OnToggleFillView();
    QObject::connect(view, &CTesmoraView::viewChoicesChanged, frame, [this, view] {
        SaveViewChoices(*m_choicesFile, {view->FitsWindow(), view->FillsView()});
    });
    frame->ControlBar()->ShowChoices(CurrentDrawSettings(m_scene));
    frame->FrameBar()->ShowCoherent(m_scene.m_modes.coherent);
    frame->FrameBar()->ShowFrameRange(m_scene.m_modes.range == kRangeFrame);
    frame->PictureMenu().ShowChoices(CurrentDrawSettings(m_scene), view->FitsWindow(), view->FillsView());
    m_doc.OnNewDocument();
    UpdateTitle();
    frame->ShowMaximised();

    // A file on the command line is opened exactly as File > Open opens it, once the window
    // is up so that a failure has a window to report over.
    if (!files.isEmpty()) {
        QStringList paths;
        for (const QString& file : files) paths.push_back(QFileInfo(file).absoluteFilePath());
        OpenPaths(paths);
    }
    return true;
}

int CTesmoraApp::Run() {
    return QApplication::exec();
}

void CTesmoraApp::OnAppAbout() {
    CAboutDlg about(m_pMainFrame.get());
    about.exec();
}

void CTesmoraApp::OnFileNew() {
    // A new document; the scene, the picture and the settings stay as they are.
    m_doc.OnNewDocument();
    UpdateTitle();
}

void CTesmoraApp::OnFileOpen() {
    QFileDialog dialog(m_pMainFrame.get(), Text(ui::kOpenCaption), QString(),
                       OpenFilters().join(QStringLiteral(";;")));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Several files chosen together are the frames of a series.
    dialog.setFileMode(QFileDialog::ExistingFiles);
    // Cancelled: the scene and the picture stay as they are.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty()) return;
    // The URL keeps the bytes of a name that is not UTF-8; the dialog's path would not.
    QStringList paths;
    for (const QUrl& url : dialog.selectedUrls())
        paths.push_back(common::FromNative(common::NativePathOfUrl(url)));
    OpenPaths(paths);
}

bool CTesmoraApp::OpenPaths(const QStringList& paths) {
    m_readAhead.Drop();
    std::vector<std::string> native;
    for (const QString& path : paths) native.push_back(common::ToNative(path));
    std::vector<Frame> frames;
    if (native.empty() || !FramesOf(native, &m_reader, m_reporter, frames)) return false;
    // One file opens as itself (a collection as its first data set), several as the first frame.
    const bool loaded =
        OpenPath(common::FromNative(native.size() == 1 ? native.front() : frames.front().path));
    m_frames = loaded ? std::move(frames) : std::vector<Frame>{};
    SpanColours();
    if (m_pMainFrame) m_pMainFrame->FrameBar()->SetFrameCount(static_cast<int>(m_frames.size()));
    if (m_pMainFrame && m_frames.size() > 1)
        m_pMainFrame->ShowFrameStatus(FrameStatusText(0, m_frames.size(), m_frames.front().time));
    m_nShownFrame = 0;
    if (m_frames.size() > 1) m_readAhead.Start(1, m_frames[1], m_scene.CurrentFrameReading());
    return loaded;
}

bool CTesmoraApp::ShowFrame(int frame) {
    if (frame < 0 || static_cast<std::size_t>(frame) >= m_frames.size()) return false;
    const std::size_t index = static_cast<std::size_t>(frame);
    const std::size_t count = m_frames.size();
    bool shown = false;
    {
        const WaitCursor wait;
        // A read ahead of another frame, or with other settings, is dropped; one that failed is
        // read again here, so that its failure is reported as it always was.
        std::optional<DataSetArrays> ahead = m_readAhead.Take(index, m_scene.CurrentFrameReading());
        if (ahead) {
            ++m_nFramesReadAhead;
            shown = m_scene.ShowFrameArrays(m_frames[index], std::move(*ahead));
        } else {
            shown = m_scene.ShowFrame(m_frames[index]);
        }
    }
    // Playback and Bild ab go forward; Bild auf back, and so does the read ahead after it.
    const bool back = count > 2 && index == (m_nShownFrame + count - 1) % count;
    m_nShownFrame = index;
    if (count > 1) {
        const std::size_t next = (back ? index + count - 1 : index + 1) % count;
        m_readAhead.Start(next, m_frames[next], m_scene.CurrentFrameReading());
    }
    if (shown && m_pMainFrame)
        m_pMainFrame->ShowFrameStatus(FrameStatusText(index, count, m_frames[index].time));
    if (CTesmoraView* view = View()) view->update();
    return shown;
}

bool CTesmoraApp::OpenPath(const QString& path) {
    m_readAhead.Drop();
    m_frames.clear();
    if (m_pMainFrame) {
        m_pMainFrame->FrameBar()->SetFrameCount(1);
        m_pMainFrame->ShowFrameStatus({});
    }
    {
        const WaitCursor wait;
        // Another data set is shown whole, whatever part of the last one the view showed.
        DrawSettings settings = CurrentDrawSettings(m_scene);
        settings.window = WorldWindow{};
        // Each file starts whole; a plane is chosen for it below.
        settings.plane = 0;
        ApplyDrawSettings(m_scene, settings);
        m_scene.OpenDataSet(common::ToNative(path));
    }
    if (m_scene.HasDataSet() && m_scene.m_nk > 1 && m_pMainFrame) {
        // Plane 0 is shown unless another is chosen; the frames of a series follow the choice.
        bool chosen = false;
        const int last = m_scene.m_nk - 1;
        const int plane = QInputDialog::getInt(m_pMainFrame.get(), Text(ui::kPlaneCaption),
                                               Text(ui::kPlaneQuestion).arg(last), 0, 0, last, 1, &chosen);
        if (chosen && plane > 0) {
            const WaitCursor wait;
            DrawSettings settings = CurrentDrawSettings(m_scene);
            settings.plane = plane;
            ApplyDrawSettings(m_scene, settings);
            m_scene.OpenDataSet(common::ToNative(path));
        }
    }
    const bool loaded = m_scene.HasDataSet();
    m_doc.SetDataSet(path, loaded);
    UpdateTitle();
    if (CTesmoraView* view = View()) view->MeasureShortfall();
    if (m_pMainFrame) m_pMainFrame->UpdateStepNote();
    // Closing the dialog need not repaint the view here, so the new picture is asked for.
    if (CTesmoraView* view = View()) view->update();
    return loaded;
}

void CTesmoraApp::OnFileSave() {
    if (m_doc.GetPicturePath().isEmpty()) {
        OnFileSaveAs();
        return;
    }
    SavePicture(m_doc.GetPicturePath());
}

void CTesmoraApp::OnFileSaveAs() {
    const QString base = m_doc.GetDataSetPath().isEmpty()
                             ? m_doc.GetTitle()
                             : QFileInfo(m_doc.GetDataSetPath()).completeBaseName();
    const QString folder =
        m_doc.GetDataSetPath().isEmpty() ? QString() : QFileInfo(m_doc.GetDataSetPath()).absolutePath();
    const QStringList filters{Text(ui::kPngFilter), Text(ui::kSvgFilter), Text(ui::kPdfFilter)};
    QFileDialog dialog(m_pMainFrame.get(), Text(ui::kSaveAsCaption), folder,
                       filters.join(QStringLiteral(";;")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.selectFile(base + QStringLiteral(".png"));
    // The suffix added to a name without one follows the format chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, filters](const QString& filter) {
                         static constexpr const char* kSuffixes[] = {"png", "svg", "pdf"};
                         const qsizetype i = filters.indexOf(filter);
                         if (i >= 0) dialog.setDefaultSuffix(QLatin1String(kSuffixes[i]));
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty()) return;
    const QString path = common::FromNative(common::NativePathOfUrl(dialog.selectedUrls().front()));
    if (SavePicture(path)) m_doc.SetPicturePath(path);
}

bool CTesmoraApp::SavePicture(const QString& path) {
    CTesmoraView* view = View();
    if (!view) return false;
    const std::string target = common::ToNative(path);
    // The picture never takes the place of the data it shows.
    if (m_scene.HasDataSet())
        for (const std::string& input : formats::FilesReadFor(common::ToNative(m_doc.GetDataSetPath())))
            if (common::WouldReplace(target, input)) {
                m_reporter.Report(QString::fromUtf8(ui::kSaveWouldReplaceInput)
                                      .arg(common::FromNative(common::PrintableName(target)),
                                           common::FromNative(common::PrintableName(input)))
                                      .toStdString(),
                                  ui::kAppTitle);
                return false;
            }
    // A name without a known extension is written as the PNG it always was.
    const PictureFormat format = FormatOfPath(target).value_or(PictureFormat::Png);
    PictureData picture;
    picture.raster = view->GrabPicture();
    // Every format records the click it shows, so that its command draws the same picture.
    std::vector<PixelPoint> clicks = view->ShownClicks();
    std::string error;
    bool saved = format == PictureFormat::Png || view->CapturePicture(&picture.vector, &clicks, &error);
    if (saved) {
        const std::string input =
            m_scene.HasDataSet() ? common::ToNative(m_doc.GetDataSetPath()) : std::string();
        picture.notes = DescribePicture(
            {"tesmora", TESMORA_VERSION, input, CurrentDrawSettings(m_scene), m_scene.LastSeed(), clicks});
        saved = WritePictureFile(target, format, picture, &error);
    }
    if (!saved) {
        m_reporter.Report(QStringLiteral("%1\n%2\n%3")
                              .arg(Text(ui::kSaveFailed), common::FromNative(common::PrintableName(target)),
                                   QString::fromStdString(error))
                              .toStdString(),
                          ui::kAppTitle);
    }
    return saved;
}

void CTesmoraApp::SpanColours() {
    if (m_frames.size() > 1 && m_scene.m_modes.range == kRangeSequence) {
        // Colours keep their meaning from frame to frame; a frame that cannot be read is told now.
        // The frame read ahead is waited for, as files are read here too.
        m_readAhead.Wait();
        const WaitCursor wait;
        if (m_scene.MeasureSequenceRanges(m_frames)) m_scene.ColourBackground();
    } else if (m_scene.HasSequenceRanges()) {
        m_scene.ForgetSequenceRanges();
        m_scene.ColourBackground();
    }
}

void CTesmoraApp::UpdateTitle() {
    if (m_pMainFrame) m_pMainFrame->SetDocumentTitle(m_doc.GetTitle());
}
