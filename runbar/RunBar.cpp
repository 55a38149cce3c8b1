// SPDX-License-Identifier: GPL-3.0-or-later
#include "runbar/RunBar.h"

#include "companion/SysClock.h"
#include "run/RunExecutor.h"
#include "runbar/PassengerRequests.h"
#include "runbar/RunBarHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Often enough for the seconds to move evenly at ×1, cheap at any speed.
constexpr int kTickMs = 250;

QString NoClock()
{
    return QStringLiteral("--:--:--");
}

QSpinBox* SpinBox(int min, int max, const QString& suffix, const char* name)
{
    auto* box = new QSpinBox;
    box->setRange(min, max);
    box->setSuffix(suffix);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLabel* Caption(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

RunBar::RunBar(RunExecutor& run, RunBarHost& host, const QString& settingsFile, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_run(run), m_host(host),
      m_file(settingsFile)
{
    setWindowTitle(QStringLiteral("運行"));
    setObjectName(QStringLiteral("RunBar"));
    m_passengers = new PassengerRequests(run, host, QRandomGenerator::global()->generate(), this);
    build();
    m_saved = RunSettings::Load(m_file);
    m_current = m_saved;
    showSettings(m_current);

    m_tick.setParent(this); // a member: gone before the bar, which lets go of it then
    m_tick.setObjectName(QStringLiteral("clockTick"));
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &RunBar::onTick);
    connect(&m_run, &RunExecutor::changed, this, &RunBar::onChanged);
    connect(&m_run, &RunExecutor::refused, this, [this](const QString& reason) {
        setStatus(reason);
        updateControls();
    });
    connect(&m_run, &RunExecutor::finished, this, [this] {
        setStatus(QStringLiteral("終点に着きました。"));
        updateControls();
    });
    refreshRoute();
    updateControls();
}

RunBar::~RunBar() = default;

void RunBar::build()
{
    m_stop = new QComboBox;
    m_stop->setObjectName(QStringLiteral("cboStartStop"));
    m_stop->setPlaceholderText(QStringLiteral("系統が設定されていません"));
    m_stop->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    m_speed = new QComboBox;
    m_speed->setObjectName(QStringLiteral("cboSpeed"));
    for (int s : kRunSpeeds)
        m_speed->addItem(QStringLiteral("×%1").arg(s), s);

    m_startPause = new QPushButton;
    m_startPause->setObjectName(QStringLiteral("cmdStartPause"));
    m_stopButton = new QPushButton(QStringLiteral("停止(&T)"));
    m_stopButton->setObjectName(QStringLiteral("cmdStop"));

    m_clock = new QLabel(NoClock());
    m_clock->setObjectName(QStringLiteral("lblClock"));
    QFont clockFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    clockFont.setPointSizeF(clockFont.pointSizeF() * 1.5);
    clockFont.setBold(true);
    m_clock->setFont(clockFont);
    m_clock->setToolTip(QStringLiteral("運行の時刻"));

    m_loop = new QCheckBox(QStringLiteral("ループ(&L)"));
    m_loop->setObjectName(QStringLiteral("chkLoop"));
    m_loop->setToolTip(QStringLiteral("終点に着いたら折返し時間の後に始めから運行します"));
    m_layover = SpinBox(0, RunSettings::kMaxLayoverMin, QStringLiteral(" 分"), "spnLayover");
    m_interval = SpinBox(RunSettings::kMinIntervalSec, RunSettings::kMaxIntervalSec,
                         QStringLiteral(" 秒"), "spnInterval");
    m_interval->setToolTip(QStringLiteral("時刻表のない系統で、停留所から次の停留所までの時間"));
    m_preArrival =
        SpinBox(0, RunSettings::kMaxPreArrivalSec, QStringLiteral(" 秒前"), "spnPreArrival");
    m_preArrival->setToolTip(
        QStringLiteral("「まもなく」で始まる案内を、次の停留所に着くこの時間前に流します"));
    m_percent = SpinBox(0, 100, QStringLiteral(" %"), "spnPassengers");
    m_percent->setSpecialValueText(QStringLiteral("なし"));
    m_percent->setToolTip(
        QStringLiteral("停留所ごとに、乗客が降車ボタンを押す確率（0 で押しません）"));

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(Caption(QStringLiteral("出発(&F)"), m_stop));
    top->addWidget(m_stop, 1);
    top->addWidget(Caption(QStringLiteral("速度(&V)"), m_speed));
    top->addWidget(m_speed);
    top->addWidget(m_startPause);
    top->addWidget(m_stopButton);
    top->addWidget(m_clock);

    auto* options = new QHBoxLayout;
    options->addWidget(m_loop);
    options->addWidget(Caption(QStringLiteral("折返し(&O)"), m_layover));
    options->addWidget(m_layover);
    options->addWidget(Caption(QStringLiteral("時刻表なし(&I)"), m_interval));
    options->addWidget(m_interval);
    options->addWidget(Caption(QStringLiteral("まもなく(&M)"), m_preArrival));
    options->addWidget(m_preArrival);
    options->addWidget(Caption(QStringLiteral("降車ボタン(&B)"), m_percent));
    options->addWidget(m_percent);
    options->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(options);
    layout->addWidget(m_status);

    connect(m_startPause, &QPushButton::clicked, this, &RunBar::onStartPause);
    connect(m_stopButton, &QPushButton::clicked, this, &RunBar::stopRun);
    connect(m_speed, &QComboBox::currentIndexChanged, this, &RunBar::onSpeed);
    connect(m_loop, &QCheckBox::toggled, this,
            [this](bool on) { edited([on](RunSettings& s) { s.loop = on; }); });
    connect(m_layover, &QSpinBox::valueChanged, this,
            [this](int v) { edited([v](RunSettings& s) { s.layoverMin = v; }); });
    connect(m_interval, &QSpinBox::valueChanged, this,
            [this](int v) { edited([v](RunSettings& s) { s.intervalSec = v; }); });
    connect(m_preArrival, &QSpinBox::valueChanged, this,
            [this](int v) { edited([v](RunSettings& s) { s.preArrivalSec = v; }); });
    connect(m_percent, &QSpinBox::valueChanged, this, [this](int v) {
        m_passengers->setPercent(v);
        edited([v](RunSettings& s) { s.passengerPercent = v; });
    });
}

void RunBar::showSettings(const RunSettings& s)
{
    m_showing = true;
    m_speed->setCurrentIndex(std::max(0, m_speed->findData(s.speed)));
    m_loop->setChecked(s.loop);
    m_layover->setValue(s.layoverMin);
    m_interval->setValue(s.intervalSec);
    m_preArrival->setValue(s.preArrivalSec);
    m_percent->setValue(s.passengerPercent);
    m_passengers->setPercent(s.passengerPercent);
    m_showing = false;
}

void RunBar::edited(const std::function<void(RunSettings&)>& set)
{
    if (m_showing)
        return;
    set(m_current);
    set(m_saved);
    m_saved.Save(m_file);
}

RunSettings RunBar::settings() const
{
    return m_current;
}

int RunBar::selectedSpeed() const
{
    return m_speed->currentData().toInt();
}

void RunBar::onSpeed()
{
    const int speed = selectedSpeed();
    if (speed <= 0)
        return;
    edited([speed](RunSettings& s) { s.speed = speed; });
    if (!m_showing && m_run.isRunning())
        m_run.setSpeed(speed);
}

void RunBar::onStartPause()
{
    if (!m_run.isRunning()) {
        startRun(m_current, m_stop->currentData().toInt());
    } else if (m_run.isPaused()) {
        m_run.resume();
    } else {
        m_run.pause();
    }
}

bool RunBar::startRun(const RunSettings& settings, int startRow)
{
    if (m_starting)
        return false;
    const QStringList names = m_host.stopNames();
    if (names.isEmpty()) {
        setStatus(QStringLiteral("系統が設定されていません。先に系統を設定してください。"));
        return false;
    }
    const int row = startRow > 0 ? startRow : m_host.currentRow();
    // A route set cannot start at the last row: there is nowhere to go.
    if (row < 1 || row >= names.size()) {
        setStatus(QStringLiteral("終点からは運行できません。出発する停留所を選んでください。"));
        return false;
    }
    m_current = settings.Clamped();
    showSettings(m_current);
    m_run.stop();
    m_starting = true;
    const bool set = m_host.setRouteAt(row);
    m_starting = false;
    if (!set) {
        setStatus(QStringLiteral("系統を設定できなかったので運行を始められませんでした。"));
        updateControls();
        return false;
    }
    refreshRoute();
    const QList<TimetableRow> timetable = m_host.timetable();
    const qint64 now = ltm4::Now().time().msecsSinceStartOfDay();
    const RunPlan plan =
        m_current.Plan(int(m_host.stopNames().size()), timetable, m_host.tapeEntries(), row, now);
    // Before the run starts: its first changed() finds the passengers at the start row.
    m_passengers->runStarted();
    if (!m_run.start(plan)) {
        setStatus(QStringLiteral("停留所がないので運行できません。"));
        updateControls();
        return false;
    }
    m_started = true;
    const QString problem = m_host.timetableError().section(u'\n', 0, 0);
    if (!timetable.isEmpty())
        m_mode = QStringLiteral("時刻表で運行中");
    else if (!problem.isEmpty())
        m_mode = QStringLiteral("時刻表を使えないので停留所ごとに%1秒で運行中（%2）")
                     .arg(plan.intervalSec)
                     .arg(problem);
    else
        m_mode = QStringLiteral("時刻表がないので停留所ごとに%1秒で運行中").arg(plan.intervalSec);
    setStatus(m_mode);
    updateControls();
    return true;
}

void RunBar::stopRun()
{
    if (!m_run.isRunning())
        return;
    m_run.stop();
    m_passengers->runStarted(); // nothing pending any more
    setStatus(QStringLiteral("運行を止めました。"));
    updateControls();
}

void RunBar::refreshRoute()
{
    if (m_run.isRunning())
        return; // the list is locked while the run goes; the run follows its own plan
    const QStringList names = m_host.stopNames();
    const QList<TimetableRow> timetable = m_host.timetable();
    QList<StopTime> times;
    if (!timetable.isEmpty())
        times = ResolveStopTimes(m_current.Plan(int(names.size()), timetable, {}, 1, 0));
    const QSignalBlocker block(m_stop);
    m_stop->clear();
    // The last stop is left out: the route cannot be set to start there.
    for (int row = 1; row < names.size(); ++row) {
        QString text = QStringLiteral("%1  %2").arg(row).arg(names[row - 1]);
        if (row - 1 < times.size())
            text +=
                QStringLiteral("  ") + FormatTimetableTime(int(times[row - 1].departureMs / 1000));
        m_stop->addItem(text, row);
    }
    const int current = m_host.currentRow();
    m_stop->setCurrentIndex(m_stop->count() == 0 ? -1
                                                 : std::clamp(current, 1, m_stop->count()) - 1);
    updateControls();
}

void RunBar::onChanged()
{
    if (m_run.isRunning())
        setStatus(m_run.isPaused() ? QStringLiteral("一時停止中") : m_mode);
    updateControls();
}

void RunBar::onTick()
{
    // The owner may stop the run without the bar (the panel closed, another
    // route set); the run says nothing then, so the tick looks.
    if (!m_run.isRunning()) {
        setStatus(QStringLiteral("運行を止めました。"));
        updateControls();
        return;
    }
    updateClock();
}

void RunBar::updateControls()
{
    const bool running = m_run.isRunning();
    const bool paused = m_run.isPaused();
    m_startPause->setText(!running ? QStringLiteral("開始(&S)")
                          : paused ? QStringLiteral("再開(&S)")
                                   : QStringLiteral("一時停止(&S)"));
    m_startPause->setEnabled(running || m_stop->count() > 0);
    m_stopButton->setEnabled(running);
    // What the plan was made from stays as it is during the run; speed and
    // passengers can change at any time.
    for (QWidget* w : {static_cast<QWidget*>(m_stop), static_cast<QWidget*>(m_loop),
                       static_cast<QWidget*>(m_layover), static_cast<QWidget*>(m_interval),
                       static_cast<QWidget*>(m_preArrival)})
        w->setEnabled(!running);
    if (running && !paused && isVisible())
        m_tick.start();
    else
        m_tick.stop();
    updateClock();
}

void RunBar::updateClock()
{
    const QString text = m_started || m_run.isRunning() ? m_run.clockText() : NoClock();
    if (m_clock->text() != text)
        m_clock->setText(text);
}

void RunBar::setStatus(const QString& text)
{
    m_status->setText(text);
}

QString RunBar::status() const
{
    return m_status->text();
}

QString RunBar::clockText() const
{
    return m_clock->text();
}

void RunBar::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshRoute();
    updateControls(); // the clock ticks again
}

void RunBar::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_tick.stop();
}
