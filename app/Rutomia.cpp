// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Rutomia.h"

#include "app/EditorLink.h"
#include "app/RunLink.h"
#include "app/ScreenFit.h"
#include "app/WebLink.h"
#include "companion/LTM4Res.h"
#include "companion/ModalSeam.h"
#include "companion/MsgBox.h"
#include "editor/RouteEditor.h"
#include "options/VbOptionButton.h"
#include "panel/frmVoice.h"
#include "run/RunExecutor.h"
#include "run/RunSettings.h"
#include "runbar/RunBar.h"
#include "sound/SpeechEngines.h"
#include "web/WebServer.h"
#include "web/WebSettings.h"
#include "web/ui/WebDialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include <functional>
#include <utility>

namespace {

// A run from the command line waits this long at most for the voice.
constexpr int kRunStartTickMs = 100;
constexpr int kRunStartWaitTicks = 100;

// Runs a function once, soon after the program's first paint (of whichever
// widget comes first): what can wait, such as the MIDI soundfont, never
// delays the windows' first appearance.
class RunAfterFirstPaint final : public QObject {
public:
    RunAfterFirstPaint(QObject& owner, std::function<void()> run)
        : QObject(&owner), m_run(std::move(run))
    {
        QCoreApplication::instance()->installEventFilter(this);
        // Where nothing is ever painted (a minimised start), not forever.
        QTimer::singleShot(kLatestMs, this, [this] { runNow(); });
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_run) {
            QCoreApplication::instance()->removeEventFilter(this);
            // After this paint has reached the screen.
            QTimer::singleShot(0, this, [this] { runNow(); });
        }
        return false;
    }

private:
    static constexpr int kLatestMs = 2000;

    void runNow()
    {
        QCoreApplication::instance()->removeEventFilter(this);
        if (const std::function<void()> run = std::exchange(m_run, {}))
            run();
        deleteLater();
    }

    std::function<void()> m_run;
};

} // namespace

Rutomia::Rutomia()
    : m_ini(m_windows.board, m_windows.option, m_windows.ctl),
      m_snd(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(),
            [this](const QString& command) { return m_mci.SendString(command); }),
      m_tape(TapeHooks())
{
    frmCtl::Services services;
    services.SndPlay = [this](const QString& path, const QString& channel, qint16 sync,
                              qint16 delay) { m_snd.SndPlay(path, channel, sync, delay); };
    services.SndCloseAll = [this] { m_snd.SndCloseAll(); };
    services.SaveIni = [this] { m_ini.SaveIni(); };
    // The panel's load leaves the announcements to AfterFirstPaint: the group
    // shows its caption once the speech engine is known.
    services.TapeInit = nullptr;
    services.TapeLoad = [this](const QString& folder, const QString& routeKey) {
        m_tape.TapeLoad(folder, routeKey);
    };
    services.TapeNext = [this] { m_tape.TapeNext(); };
    services.TapeBack = [this] { m_tape.TapeBack(); };
    services.TapeStop = [this] { m_tape.TapeStop(); };
    services.TapeVoiceDialog = [this] { m_tape.TapeVoiceDialog(); };
    services.GetTapeIndex = [this] { return m_tape.GetTapeIndex(); };
    services.GetTapeStepFlag = [this](qint32 index) { return m_tape.GetTapeStepFlag(index); };
    services.VoiceAvailable = [this] { return m_tape.VoiceAvailable() != 0; };
    services.TapeRelease = [this] { m_tape.TapeRelease(); };
    services.Quit = [] {
        // A route being edited is not lost with the program: each editor
        // asks about its unsaved changes before the program ends.
        QList<QPointer<RouteEditor>> editors;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* editor = qobject_cast<RouteEditor*>(w); editor && editor->isVisible())
                editors << editor;
        for (const QPointer<RouteEditor>& editor : editors)
            if (editor)
                editor->close();
        QCoreApplication::exit(0);
    };
    m_windows.ctl.setServices(std::move(services));

    m_editorLink = std::make_unique<EditorLink>(m_windows.ctl, m_windows.option, m_tape);
    m_runHost = std::make_unique<PanelRunHost>(m_windows.ctl, m_windows.option, m_tape);
    m_windows.board.addMenuCommand(QStringLiteral("路線エディター…"), [this] { OpenEditor(); });
    m_windows.board.addMenuCommand(QStringLiteral("運行…"), [this] { OpenRunBar(); });
    for (QWidget* window :
         {static_cast<QWidget*>(&m_windows.board), static_cast<QWidget*>(&m_windows.ctl)}) {
        auto* key = new QShortcut(QKeySequence(Qt::Key_U), window);
        QObject::connect(key, &QShortcut::activated, window, [this] { OpenRunBar(); });
    }
    m_windows.board.addMenuCommand(QStringLiteral("Web 表示…"), [this] { OpenWebDialog(); });
}

Rutomia::~Rutomia()
{
    // The run presses nothing while the windows go.
    if (m_run)
        m_run->stop();
    m_runBar.reset();
    m_run.reset();
    // The server and its link go before the board they draw from.
    m_web.reset();
    m_webLink.reset();
}

RouteEditor* Rutomia::OpenEditor(const QString& target)
{
    return RouteEditor::Open(*m_editorLink,
                             target.isEmpty() ? m_editorLink->CurrentRoute() : target, nullptr);
}

RunExecutor& Rutomia::run()
{
    runBar();
    return *m_run;
}

RunBar& Rutomia::runBar()
{
    if (!m_runBar) {
        m_run = std::make_unique<RunExecutor>(*m_runHost);
        m_runHost->follow(*m_run);
        m_runBar = std::make_unique<RunBar>(*m_run, *m_runHost, RunSettings::DefaultFile());
        // Its start-stop list follows the route the user sets.
        QObject::connect(&m_windows.ctl, &frmCtl::routeSet, m_runBar.get(),
                         [this] { m_runBar->refreshRoute(); });
    }
    return *m_runBar;
}

void Rutomia::OpenRunBar()
{
    RunBar& bar = runBar();
    if (!m_runBarPlaced) {
        // Where it hides no fare and no button; later, where the user put it.
        m_runBarPlaced = true;
        if (const QScreen* screen = m_windows.board.screen()) {
            const QSize frameExtra =
                m_windows.board.frameGeometry().size() - m_windows.board.size();
            bar.move(ClearPlace(bar.sizeHint() + frameExtra, m_windows.board.frameGeometry(),
                                m_windows.ctl.frameGeometry(), screen->availableGeometry()));
        }
    }
    bar.show();
    bar.raise();
    bar.activateWindow();
}

void Rutomia::StartRun(const RunRequest& request)
{
    // Once the voice is known, so that the run knows whether to announce;
    // not for ever where it never is.
    auto* wait = new QTimer(&m_windows.ctl);
    wait->setInterval(kRunStartTickMs);
    QObject::connect(wait, &QTimer::timeout, wait, [this, wait, request, ticks = 0]() mutable {
        if (!m_tape.EngineKnown() && ++ticks < kRunStartWaitTicks)
            return;
        wait->deleteLater();
        wait->stop();
        m_windows.ctl.Label2(0)->setText(request.route);
        m_windows.ctl.Label2(2)->setText(request.section);
        m_windows.ctl.Command1_Click(1);
        if (m_windows.ctl.Route().RouteNo != request.route)
            return; // refused, and the panel said why
        RunBar& bar = runBar();
        RunSettings settings = bar.settings();
        settings.speed = request.speed;
        settings.loop = settings.loop || request.loop;
        // A kiosk's board fills its screen: the bar, always on top, would
        // cover it. U still opens it.
        if (!m_windows.board.IsFullScreen())
            OpenRunBar();
        bar.startRun(settings, m_windows.ctl.Route().CurIndex + 1);
    });
    wait->start();
}

WebServer& Rutomia::webServer()
{
    if (!m_web) {
        m_webLink = std::make_unique<WebLink>(m_windows.board, m_windows.ctl, m_tape);
        m_web = std::make_unique<WebServer>(*m_webLink);
    }
    return *m_web;
}

WebHost& Rutomia::webHost()
{
    webServer();
    return *m_webLink;
}

void Rutomia::OpenWebDialog()
{
    WebDialog dlg(webServer(), &m_windows.board);
    ltm4::ExecModal(dlg);
}

bool Rutomia::Serve(QString* error)
{
    // For this run only: the saved settings' port, LAN and token, switched on
    // without being saved.
    const WebSettings saved = WebSettings::Load(WebSettings::DefaultFile());
    WebServer& server = webServer();
    if (server.IsRunning())
        return true;
    return server.Start(saved.ServerSettings(), error);
}

void Rutomia::StartWebView()
{
    const WebSettings saved = WebSettings::Load(WebSettings::DefaultFile());
    if (!saved.enabled || (m_web && m_web->IsRunning()))
        return;
    QString error;
    if (!webServer().Start(saved.ServerSettings(), &error))
        ltm4::MsgBox(&m_windows.board, QStringLiteral("Web 表示を始められません。"), ltm4::vbOKOnly,
                     {}, error);
}

mdlM_Tape::Hooks Rutomia::TapeHooks()
{
    mdlM_Tape::Hooks h;
    h.GetOsInfo = [] { return ltm4::GetOsInfo(); };
    // On the tape's worker thread, with the voice settings as read at start:
    // the mixer is asked for only at the first speech, on this thread.
    h.CreateEngine = [this, voice = m_voice] {
        return SpeechEngines::Create(voice, [this] { return &m_mci.Backend(); });
    };
    h.PreSound = [this] {
        mdlM_Tape::PreSoundOptions o;
        o.PreSoundAlways = m_windows.option.Option2(2)->Value() == -1;
        o.PreSoundSync = m_windows.option.Option7(0)->Value();
        o.PreSound = m_windows.option.txtSelectSound(3)->text();
        for (int i = 1; i <= 3; ++i)
            o.PreSoundFlag[size_t(i)] = m_windows.option.txtSelectSound(3 + i)->text();
        return o;
    };
    h.SndPlay = [this](const QString& path, const QString& channel, qint16 sync, qint16 delay) {
        m_snd.SndPlay(path, channel, sync, delay);
    };
    h.SetGroup = [this](const QString& caption, bool enabled) {
        m_windows.ctl.grpM_Tape()->setTitle(caption);
        m_windows.ctl.grpM_Tape()->setEnabled(enabled);
    };
    h.EnableControls = [this] {
        m_windows.ctl.grpM_Tape()->setEnabled(true);
        for (QPushButton* b : {m_windows.ctl.cmdTapeNext(), m_windows.ctl.cmdTapeBack(),
                               m_windows.ctl.cmdTapeStop(), m_windows.ctl.cmdTapeSet()})
            b->setEnabled(true);
    };
    h.VoiceDialog = [this](const QString& title) { VoiceDialog(title); };
    return h;
}

void Rutomia::ApplyVoice(const VoiceSettings& settings)
{
    m_voice = settings;
    SpeechEngine* engine = m_tape.Engine();
    if (!engine)
        return;
    if (engine->Name() == settings.engine || settings.engine.isEmpty()) {
        engine->SetVoiceSettings(settings);
        return;
    }
    std::unique_ptr<SpeechEngine> other =
        SpeechEngines::Create(settings, [this] { return &m_mci.Backend(); });
    if (other->Available()) {
        engine->Stop();
        m_tape.ReplaceEngine(std::move(other));
    } else {
        engine->SetVoiceSettings(settings);
    }
}

void Rutomia::VoiceDialog(const QString& title)
{
    if (!m_tape.Engine())
        return;
    const VoiceSettings before = m_voice;
    frmVoice dlg(&m_windows.ctl, title, SpeechEngines::Available(), m_voice,
                 [this](const VoiceSettings& settings, const QString& text) {
                     ApplyVoice(settings);
                     if (SpeechEngine* engine = m_tape.Engine()) {
                         engine->Stop();
                         engine->Speak(text);
                     }
                 });
    if (ltm4::ExecModal(dlg) == QDialog::Accepted) {
        ApplyVoice(dlg.Settings());
        m_voice.Save(VoiceSettings::DefaultFile());
    } else {
        ApplyVoice(before);
    }
}

void Rutomia::PlacePanel()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The whole window, frame included, in the screen's bottom-right corner
    // (of the part that panels and docks leave free).
    const QRect area = screen->availableGeometry();
    const QSize outer = m_windows.ctl.frameGeometry().size();
    m_windows.ctl.move(area.right() + 1 - outer.width(), area.bottom() + 1 - outer.height());
    m_placedAt = m_windows.ctl.pos();
}

void Rutomia::KeepWithinReach(QWidget& window)
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    // A window's position is its frame's top-left corner.
    const QPoint place = ReachablePlace(window.frameGeometry(), areas);
    if (place != window.pos())
        window.move(place);
}

void Rutomia::AfterFirstPaint()
{
    m_mci.StartOpening();
    m_mci.WarmUp();
    m_tape.TapeInit();
}

void Rutomia::Start(const CommandLine& options)
{
    const bool hasSettings = !m_ini.LoadPath().isEmpty();
    Form1::LoadSteps steps;
    steps.showPanel = [this] {
        m_windows.ctl.Form_Load();
        m_windows.ctl.show();
        m_windows.ctl.raise();
    };
    steps.placePanel = [this] { PlacePanel(); };
    steps.loadSettings = [this, hasSettings] {
        m_ini.LoadIni();
        // What the panel and the options show is what runs, also where the
        // settings read held no panel state or there were none: the
        // stop-name display's own defaults differ from both.
        m_windows.ctl.HScroll1_Change(0);
        if (!hasSettings)
            m_windows.option.SetProp();
    };
    m_windows.board.Form_Load(steps);
    new RunAfterFirstPaint(m_windows.board, [this, serve = options.serve] {
        AfterFirstPaint();
        // --serve starts its own, unsaved.
        if (!serve)
            StartWebView();
    });
    m_windows.board.show();
    m_windows.board.RestoreView();
    KeepWithinReach(m_windows.board);
    KeepWithinReach(m_windows.ctl);
    if (!m_ini.PositionsLoaded()) {
        // A window manager frames the panel only after it is shown, so its
        // outer size is known a moment later; place it again then, unless the
        // user has already moved it.
        QTimer::singleShot(300, &m_windows.ctl, [this] {
            if (m_windows.ctl.pos() == m_placedAt)
                PlacePanel();
        });
    }
    if (options.edit)
        OpenEditor(*options.edit);
    if (options.run)
        StartRun(*options.run);
}
