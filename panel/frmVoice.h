// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// "音声の調節": the voice of the announcements. The user picks the engine and
// its voice, the speed, pitch and volume, and tries them on a sample sentence
// ("試聴"). The dialog only edits a VoiceSettings; trying out, keeping and
// applying are its owner's.

#include "sound/VoiceSettings.h"

#include <QDialog>
#include <QList>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

class frmVoice final : public QDialog {
    Q_OBJECT
public:
    // Speaks the text with the settings shown.
    using TryOut = std::function<void(const VoiceSettings& settings, const QString& text)>;

    frmVoice(QWidget* owner, const QString& title, QList<SpeechEngineInfo> engines,
             const VoiceSettings& current, TryOut tryOut);

    // The settings as the controls show them.
    VoiceSettings Settings() const;

    QComboBox* cboEngine() const { return m_engine; }
    QComboBox* cboVoice() const { return m_voice; }
    QSlider* sldRate() const { return m_rate; }
    QSlider* sldPitch() const { return m_pitch; }
    QSlider* sldVolume() const { return m_volume; }
    QLineEdit* txtSample() const { return m_sample; }
    QPushButton* cmdTest() const { return m_test; }

    static QString SampleText();

private:
    void fillVoices(const QString& wanted);
    void showValues();

    QList<SpeechEngineInfo> m_engines;
    TryOut m_tryOut;
    QComboBox* m_engine = nullptr;
    QComboBox* m_voice = nullptr;
    QSlider* m_rate = nullptr;
    QSlider* m_pitch = nullptr;
    QSlider* m_volume = nullptr;
    QLabel* m_rateText = nullptr;
    QLabel* m_pitchText = nullptr;
    QLabel* m_volumeText = nullptr;
    QLineEdit* m_sample = nullptr;
    QPushButton* m_test = nullptr;
};
