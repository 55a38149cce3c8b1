// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The options dialog. Its controls are the live store of the settings: other
// windows read them at the moment of use. Created hidden at start-up and kept
// until the program ends; OK applies the settings to the board and hides it,
// and there is no cancel, since every change already is the setting.

#include "companion/LTM4Res.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <array>
#include <optional>

class BacklightHost;
class ColorButton;
class Form1;
class M_Degit;
class OptionPageChimei;
class OptionPageDataDirs;
class OptionPageDegit;
class OptionPagePanel;
class OptionPageSeiriPrev;
class OptionPageSound;
class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class SeiriPrevHost;
struct SettingsRecord;
class VbCheckBox;
class VbComboBox;
class VbOptionButton;

// A value SetOptionInfo could not apply: the row of the transfer (1-based)
// whose value its control refused, with the failure's code and description.
struct OptionTransferFailure {
    int row = 0;
    qint32 code = 0;
    QString description;
};

class frmOption final : public QDialog {
    Q_OBJECT
public:
    static constexpr qint32 kInvalidPropertyValue = 380;

    explicit frmOption(QWidget* parent = nullptr);
    ~frmOption() override;

    // The board the settings are applied to and the control panel whose
    // backlight state they follow; a missing one is skipped.
    void setLinks(Form1* board, BacklightHost* panel);
    // The control panel's ticket preview, which a loaded plugin sizes and
    // gives its company names.
    void setSeiriPrevHost(SeiriPrevHost* host) { m_seiriHost = host; }

    // Shows the dialog modally (through the modal seam).
    int ShowModal();

    // Applies the settings to the board and the control panel.
    void SetProp();
    // Fills the numbering-style list; run once by the dialog's load.
    void AddComboItem();

    // Settings record <-> controls. A value a control refuses is skipped (the
    // control keeps what it held) and every other row is still applied, so a
    // damaged value costs only itself; the first refusal is returned.
    void GetOptionInfo(SettingsRecord& rec) const;
    std::optional<OptionTransferFailure> SetOptionInfo(const SettingsRecord& rec);

    // Loads a ticket plugin's description; non-zero on success. On failure
    // *refusal (when given) says why the file is not a plugin.
    qint32 SetPlgin(const QString& fileName, QString* refusal = nullptr);

    // The colour chooser's custom colours, kept in the settings file.
    const ltm4::CustColorTable& CustColors() const { return m_custColors; }
    void setCustColors(const ltm4::CustColorTable& table) { m_custColors = table; }

    // Command handlers, public so that the control panel and tests can run
    // them as a click would.
    QString GetPathString(const QString& strDefPath);
    void GetBtnColor(ColorButton* button);
    void Command3_Click(int index);
    void Command10_Click(int index);
    void cmdSelectSound_Click(int index);
    void Command6_Click(int index);
    void Command5_Click(int index);
    void Command9_Click(int index);
    void Command8_Click(int index);
    void Command1_Click();
    void Command7_Click();
    void Command11_Click();
    // OK: applies the settings and hides the dialog, after offering to mend a
    // text the settings file would not give back as it stands.
    void Command4_Click();

    // Controls, by the names and indices the settings use; nullptr outside a set.
    QPushButton* Option1(int index) const; // page selectors
    QGroupBox* Frame1(int index) const;    // pages
    QStackedWidget* Frame1Stack() const { return m_stack; }
    QPushButton* Command4() const { return m_command4; }

    // Page 0.
    QLabel* Label3(int index) const;
    QLineEdit* Text2(int index) const;
    QPushButton* Command3(int index) const;
    QPushButton* Command10(int index) const;

    // Page 1.
    VbCheckBox* Check1() const;
    QGroupBox* Frame4() const;
    VbOptionButton* Option3(int index) const;
    QGroupBox* Frame6(int index) const;
    QLineEdit* txtSelectPanel(int index) const;
    QPushButton* Command6(int index) const;
    QFrame* Frame3() const;
    QLabel* Label4(int index) const;
    VbComboBox* Combo2() const;
    VbCheckBox* Check2() const;
    ColorButton* Command5(int index) const;
    QLabel* Label15() const;
    QLabel* Label5(int index) const;

    // Page 2.
    QGroupBox* Frame5(int index) const;
    QLabel* Label6(int index) const;
    ColorButton* Command8(int index) const;
    M_Degit* M_Degit1() const;
    VbCheckBox* Check3(int index) const;
    VbComboBox* Combo4(int index) const;
    QLabel* Label7() const;

    // Page 3.
    QLabel* Label9() const;
    VbComboBox* Combo3() const;
    VbCheckBox* Check4() const;
    QLabel* Label8(int index) const;
    ColorButton* Command9(int index) const;

    // Page 4.
    QLabel* Label1(int index) const;
    QLineEdit* txtSelectSound(int index) const;
    QPushButton* cmdSelectSound(int index) const;
    QPushButton* Option5(int index) const;
    QGroupBox* Frame2(int index) const;
    QStackedWidget* Frame2Stack() const;
    QGroupBox* Frame8() const;
    QGroupBox* Frame9() const;
    VbOptionButton* Option6(int index) const;
    VbOptionButton* Option2(int index) const;
    VbComboBox* Combo1() const;
    VbOptionButton* Option7(int index) const;

    // Page 5.
    VbCheckBox* chkUseSeiriPrev() const;
    QGroupBox* Frame10() const;
    QLabel* Label2() const;
    QLineEdit* txtSeiriPlgDir() const;
    QPushButton* Command1() const;
    QPushButton* Command11() const;
    QLabel* Label11() const;
    QListWidget* List1() const;
    QLabel* Label13() const;
    QPlainTextEdit* txtPlginComment() const;
    QGroupBox* Frame7() const;
    VbOptionButton* Option4(int index) const;
    QLabel* Label14() const;
    QLabel* Label10() const;
    QPushButton* Command7() const;

    // A text the settings file stores, with the dialog's name for it and the
    // page (and sound sub-page, or -1) that shows it.
    struct StoredText {
        QLineEdit* box = nullptr;
        QString label;
        int page = 0;
        int soundPage = -1;
    };
    QList<StoredText> StoredTexts() const;

private:
    // A settings text's byte count is 16 bits wide.
    static constexpr int kMaxSettingsText = 0xFFFF;

    bool ConfirmStorableTexts();
    void Form_Load();
    void ConnectCommands();
    void Option1_Click(int index);
    // The backlight state selected on the control panel: 0 OFF, 1 ON1, 2 ON2.
    int SelectedBacklight() const;
    // Empties the plugin's capability list, notes and company names.
    void ClearPlginDescription();

    OptionPageDataDirs* m_p0 = nullptr;
    OptionPagePanel* m_p1 = nullptr;
    OptionPageDegit* m_p2 = nullptr;
    OptionPageChimei* m_p3 = nullptr;
    OptionPageSound* m_p4 = nullptr;
    OptionPageSeiriPrev* m_p5 = nullptr;
    std::array<QGroupBox*, 6> m_pages{};
    std::array<QPushButton*, 6> m_option1{};
    QButtonGroup* m_selectors = nullptr;
    QStackedWidget* m_stack = nullptr;
    QPushButton* m_command4 = nullptr;

    Form1* m_board = nullptr;
    BacklightHost* m_panel = nullptr;
    SeiriPrevHost* m_seiriHost = nullptr;
    ltm4::CustColorTable m_custColors{};
};
