#include "app/tesmora_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QSaveFile>
#include <QTranslator>
#include <cstdio>

#include "app/about_dlg.h"
#include "app/control_bar.h"
#include "app/main_frame.h"
#include "app/tesmora_view.h"
#include "app/ui_texts.h"
#include "app/wait_cursor.h"
#include "res/version_notice.h"

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The geometry files first, as ever, then every file the scene reads, .gri among them.
QString OpenFilters() {
    QString all = Text(ui::kAllFlowFiles) + QStringLiteral(" (*.gri");
    for (const std::string& pattern : formats::AcceptedPatterns())
        all += QLatin1Char(' ') + QString::fromStdString(pattern);
    return Text(ui::kGeometryFilter) + QStringLiteral(";;") + all + QLatin1Char(')');
}

// Exit code of a command line that cannot be used.
constexpr int kUsageExitCode = 2;

// --help and --version only print; they must work without a display as well.
bool WantsTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") break;
        if (argument == "--help" || argument == "-h" || argument == "-?" || argument == "--help-all" ||
            argument == "--version" || argument == "-v")
            return true;
    }
    return false;
}

QStringList ArgumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
    return arguments;
}

}  // namespace

// The icons are compiled into this static library; naming the initialiser keeps the linker
// from leaving them out of the program.
static void InitResources() {
    Q_INIT_RESOURCE(tesmora);
}

CTesmoraApp::CTesmoraApp(int& argc, char** argv) {
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
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // Qt's own dialogs (the file dialogs, message box buttons) speak German as the rest of
        // the viewer does, whatever the user's locale.
        m_pQtTexts = std::make_unique<QTranslator>();
        if (m_pQtTexts->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                             QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(m_pQtTexts.get());
        QApplication::setDesktopFileName(QStringLiteral(TESMORA_APP_ID));
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tesmora.png")));
    }
}

CTesmoraApp::~CTesmoraApp() = default;

CTesmoraView* CTesmoraApp::View() const {
    return m_pMainFrame ? m_pMainFrame->View() : nullptr;
}

bool CTesmoraApp::InitInstance() {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Viewer for two-dimensional flow fields"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("file to open: a geometry file (.gri), or column text, Tecplot "
                       "ASCII or VTK as other programs write them"),
        QStringLiteral("[file]"));
    if (!parser.parse(m_arguments)) {
        std::fprintf(stderr, "tesmora: %s\n", qPrintable(parser.errorText()));
        m_nExitCode = kUsageExitCode;
        return false;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        const QString text = parser.isSet(help)
                                 ? parser.helpText()
                                 : QStringLiteral("tesmora %1\n%2")
                                       .arg(QStringLiteral(TESMORA_VERSION), Text(tesmora::kVersionNotice));
        std::fputs(qPrintable(text), stdout);
        m_nExitCode = 0;
        return false;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // Only a caller that made a non-GUI application of its own gets here.
        std::fprintf(stderr, "tesmora: no graphical application to open a window in\n");
        m_nExitCode = 1;
        return false;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "tesmora: only one file can be opened\n");
        m_nExitCode = kUsageExitCode;
        return false;
    }

    ApplyDrawSettings(m_scene, ViewerStartSettings());
    m_pMainFrame = std::make_unique<CMainFrame>(m_scene);
    m_reporter.SetParent(m_pMainFrame.get());
    CMainFrame* frame = m_pMainFrame.get();
    QObject::connect(frame, &CMainFrame::fileNew, frame, [this] { OnFileNew(); });
    QObject::connect(frame, &CMainFrame::fileOpen, frame, [this] { OnFileOpen(); });
    QObject::connect(frame, &CMainFrame::fileSave, frame, [this] { OnFileSave(); });
    QObject::connect(frame, &CMainFrame::fileSaveAs, frame, [this] { OnFileSaveAs(); });
    QObject::connect(frame, &CMainFrame::appAbout, frame, [this] { OnAppAbout(); });

    frame->ControlBar()->ShowChoices(CurrentDrawSettings(m_scene));
    frame->PictureMenu().ShowChoices(CurrentDrawSettings(m_scene), frame->View()->FitsWindow());
    m_doc.OnNewDocument();
    UpdateTitle();
    frame->ShowMaximised();

    // A file on the command line is opened exactly as File > Open opens it, once the window
    // is up so that a failure has a window to report over.
    if (!files.isEmpty()) OpenPath(QFileInfo(files.front()).absoluteFilePath());
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
    QFileDialog dialog(m_pMainFrame.get(), Text(ui::kOpenCaption), QString(), OpenFilters());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Cancelled: the scene and the picture stay as they are.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    OpenPath(dialog.selectedFiles().front());
}

bool CTesmoraApp::OpenPath(const QString& path) {
    {
        const WaitCursor wait;
        m_scene.OpenDataSet(QFile::encodeName(path).toStdString());
    }
    const bool loaded = m_scene.HasDataSet();
    m_doc.SetDataSet(path, loaded);
    UpdateTitle();
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
    QFileDialog dialog(m_pMainFrame.get(), Text(ui::kSaveAsCaption), folder, Text(ui::kPngFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.selectFile(base + QStringLiteral(".png"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().front();
    if (SavePicture(path)) m_doc.SetPicturePath(path);
}

bool CTesmoraApp::SavePicture(const QString& path) {
    CTesmoraView* view = View();
    if (!view) return false;
    const QImage picture = view->GrabPicture();
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit();
    if (!saved) {
        const QString reason = file.errorString();
        m_reporter.Report(QStringLiteral("%1\n%2\n%3").arg(Text(ui::kSaveFailed), path, reason).toStdString(),
                          ui::kAppTitle);
    }
    return saved;
}

void CTesmoraApp::UpdateTitle() {
    if (m_pMainFrame) m_pMainFrame->SetDocumentTitle(m_doc.GetTitle());
}
