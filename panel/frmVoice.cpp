// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/frmVoice.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QSlider* MakeSlider(const QString& name, int min, int max, int value, int page)
{
    auto* s = new QSlider(Qt::Horizontal);
    s->setObjectName(name);
    s->setRange(min, max);
    s->setPageStep(page);
    s->setValue(std::clamp(value, min, max));
    s->setMinimumWidth(200);
    return s;
}

} // namespace

QString frmVoice::SampleText()
{
    return QStringLiteral("次は、市役所前です。お降りの方は、お知らせください。");
}

frmVoice::frmVoice(QWidget* owner, const QString& title, QList<SpeechEngineInfo> engines,
                   const VoiceSettings& current, TryOut tryOut)
    : QDialog(owner), m_engines(std::move(engines)), m_tryOut(std::move(tryOut))
{
    setObjectName(QStringLiteral("frmVoice"));
    setWindowTitle(title);
    const VoiceSettings v = current.Clamped();

    m_engine = new QComboBox;
    m_engine->setObjectName(QStringLiteral("cboEngine"));
    for (const SpeechEngineInfo& e : m_engines)
        m_engine->addItem(e.label, e.id);
    m_engine->setCurrentIndex(std::max(0, m_engine->findData(v.engine)));
    m_voice = new QComboBox;
    m_voice->setObjectName(QStringLiteral("cboVoice"));
    fillVoices(v.voice);
    connect(m_engine, &QComboBox::currentIndexChanged, this, [this] { fillVoices({}); });

    m_rate = MakeSlider(QStringLiteral("sldRate"), VoiceSettings::kMinRate, VoiceSettings::kMaxRate,
                        v.rate, 10);
    m_pitch = MakeSlider(QStringLiteral("sldPitch"), VoiceSettings::kMinPitch,
                         VoiceSettings::kMaxPitch, v.pitch, 2);
    m_volume = MakeSlider(QStringLiteral("sldVolume"), 0, VoiceSettings::kMaxVolume, v.volume, 10);
    m_rateText = new QLabel;
    m_pitchText = new QLabel;
    m_volumeText = new QLabel;
    for (QSlider* s : {m_rate, m_pitch, m_volume})
        connect(s, &QSlider::valueChanged, this, &frmVoice::showValues);
    showValues();

    const auto row = [](QSlider* s, QLabel* text) {
        auto* h = new QHBoxLayout;
        h->addWidget(s, 1);
        text->setMinimumWidth(64);
        h->addWidget(text);
        return h;
    };
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("音声エンジン"), m_engine);
    form->addRow(QStringLiteral("声"), m_voice);
    form->addRow(QStringLiteral("速さ"), row(m_rate, m_rateText));
    form->addRow(QStringLiteral("高さ"), row(m_pitch, m_pitchText));
    form->addRow(QStringLiteral("音量"), row(m_volume, m_volumeText));

    m_sample = new QLineEdit(SampleText());
    m_sample->setObjectName(QStringLiteral("txtSample"));
    m_sample->setMinimumWidth(m_sample->fontMetrics().horizontalAdvance(SampleText()) + 16);
    m_sample->setCursorPosition(0);
    m_test = new QPushButton(QStringLiteral("試聴"));
    m_test->setObjectName(QStringLiteral("cmdTest"));
    connect(m_test, &QPushButton::clicked, this, [this] {
        if (m_tryOut)
            m_tryOut(Settings(), m_sample->text());
    });
    auto* sample = new QHBoxLayout;
    sample->addWidget(m_sample, 1);
    sample->addWidget(m_test);
    form->addRow(QStringLiteral("例文"), sample);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addWidget(buttons);
}

void frmVoice::fillVoices(const QString& wanted)
{
    m_voice->clear();
    const int e = m_engine->currentIndex();
    if (e < 0 || e >= m_engines.size())
        return;
    const SpeechEngineInfo& info = m_engines[e];
    for (qsizetype i = 0; i < info.voices.size(); ++i)
        m_voice->addItem(info.voiceLabels.value(i, info.voices[i]), info.voices[i]);
    m_voice->setCurrentIndex(std::max(0, m_voice->findData(wanted)));
}

void frmVoice::showValues()
{
    m_rateText->setText(QStringLiteral("%1 %").arg(m_rate->value()));
    m_pitchText->setText(
        QStringLiteral("%1%2").arg(m_pitch->value() > 0 ? "+" : "").arg(m_pitch->value()));
    m_volumeText->setText(QStringLiteral("%1 %").arg(m_volume->value()));
}

VoiceSettings frmVoice::Settings() const
{
    VoiceSettings v;
    v.engine = m_engine->currentData().toString();
    v.voice = m_voice->currentData().toString();
    v.rate = m_rate->value();
    v.pitch = m_pitch->value();
    v.volume = m_volume->value();
    return v;
}
