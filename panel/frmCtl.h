// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The control panel (集中操作盤): route and section entry by keypad or digit
// lists, stepping, display clear, late-night fares, the stop-name scroll
// sliders, the backlight, the announcement buttons and the ticket preview.

#include "options/BacklightHost.h"
#include "options/SeiriPrevHost.h"
#include "panel/RouteState.h"
#include "panel/StopRequestSettings.h"

#include <QImage>
#include <QRegion>
#include <QStringList>
#include <QWidget>

#include <QCoreApplication>

#include <array>
#include <functional>
#include <span>

class Form1;
class frmOption;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class VbCheckBox;
struct CtrlDataInfo;

class frmCtl final : public QWidget, public BacklightHost, public SeiriPrevHost {
    Q_OBJECT
public:
    // What the panel uses of the rest of the program; an empty function is skipped.
    struct Services {
        std::function<void(const QString& path, const QString& channel, qint16 sync, qint16 delay)>
            SndPlay;
        std::function<void()> SndCloseAll;
        std::function<void()> TapeInit;
        std::function<void(const QString& folder, const QString& routeKey)> TapeLoad;
        std::function<void()> TapeNext;
        std::function<void()> TapeBack;
        std::function<void()> TapeStop;
        std::function<void()> TapeVoiceDialog;
        std::function<qint32()> GetTapeIndex;
        std::function<qint16(qint32 index)> GetTapeStepFlag;
        std::function<bool()> VoiceAvailable;
        std::function<void()> TapeRelease;
        std::function<void()> SaveIni;
        // Ends the program: leaves the application's event loop.
        std::function<void()> Quit = [] { QCoreApplication::exit(0); };
    };

    static constexpr int kClosedWidthTwips = 5385;
    static constexpr int kOpenWidthTwips = 9000;

    explicit frmCtl(QWidget* parent = nullptr);
    ~frmCtl() override;

    void setBoard(Form1* board);
    void setOptionDialog(frmOption* option) { m_option = option; }
    void setServices(Services services) { m_services = std::move(services); }

    // The window's load step: board caption, keypad shapes, announcements.
    void Form_Load();

    void GetCtrlDataInfo(CtrlDataInfo& info) const;
    void SetCtrlDataInfo(const CtrlDataInfo& info);
    void Frame1_DblClick(int index);
    qint16 CtrlPanelMode() const { return m_ctrlPanelMode; }
    bool IsRouteEntry() const { return m_isRouteEntry; }

    // Backlight: picture and ticket-number colour of a lighting state.
    int SelectedBacklight() const override;
    void Option4_Click(int index) override;
    // Loading the settings applies the backlight more than once; while one
    // of these lives, a picture error already shown is not shown again.
    class PictureErrorsOnce final {
    public:
        explicit PictureErrorsOnce(frmCtl& ctl);
        ~PictureErrorsOnce();
        PictureErrorsOnce(const PictureErrorsOnce&) = delete;
        PictureErrorsOnce& operator=(const PictureErrorsOnce&) = delete;

    private:
        frmCtl& m_ctl;
    };

    // Controls by name and index; nullptr outside the set.
    QFrame* Frame1(int index) const;
    QPushButton* CommandButton1(int index) const;
    QLabel* Label2(int index) const;
    QPushButton* Command1(int index) const;
    QListWidget* List2(int index) const;
    QListWidget* List3(int index) const;
    QPushButton* Command2(int index) const;
    VbCheckBox* Check1() const { return m_check1; }
    QFrame* Frame6() const { return m_frame6; }
    VbCheckBox* Check2() const { return m_check2; }
    QScrollBar* HScroll1(int index) const;
    QLabel* Label1(int index) const;
    QGroupBox* Frame2() const { return m_frame2; }
    QRadioButton* Option4(int index) const;
    QPushButton* Command4() const { return m_command4; }
    QPushButton* Command8() const { return m_command8; }
    QGroupBox* grpM_Tape() const { return m_grpMTape; }
    QPushButton* cmdTapeSet() const { return m_cmdTapeSet; }
    QPushButton* cmdTapeBack() const { return m_cmdTapeBack; }
    QPushButton* cmdTapeNext() const { return m_cmdTapeNext; }
    QPushButton* cmdTapeStop() const { return m_cmdTapeStop; }
    VbCheckBox* Check4() const { return m_check4; }
    QLabel* Label4() const { return m_label4; }
    QLabel* picSeirikenPrev() const { return m_preview; }
    QComboBox* Combo1() const { return m_combo1; }
    QMenu* MnuHide() const { return m_mnuHide; }
    const QRegion& BtnRgn(int index) const { return m_btnRgn[size_t(index)]; }

    // The ticket preview picture shown in the pane.
    const QImage& PreviewImage() const { return m_previewImage; }
    void setPreviewImage(const QImage& image);
    QComboBox* CompanyList() const override { return m_combo1; }
    void SetPreviewSize(int widthTwips, int heightTwips) override;

    // Route set from the keypad (1) or the digit lists (0).
    void Command1_Click(int index);
    // Sets a route held in memory (the route editor's, unsaved changes
    // included) as リセット sets one read from its file: the route-set sound,
    // the section check, the lamp test and the first row. Announcements are
    // the caller's. False when refused (with the same messages) or when the
    // panel was closed meanwhile.
    bool TryRoute(const QString& routeNo, const QString& section, const QList<StopRecord>& records);
    // Step back (0) or forward (1).
    void Command2_Click(int index);
    // Draws a row of the fare table on the board.
    void DispData(qint16 row);
    // Draws a row of a route that is not set (the route editor's) on the
    // board, as a step to it would draw it; the panel's route is not touched.
    void PreviewRow(const StopRecord& record, qint16 row, const QString& routeNo);
    // The board back as the panel's route shows it (blank without one).
    void EndPreview();
    // Display clear on or off.
    void Check1_Click();
    void cmdTapeNext_Click();
    void cmdTapeBack_Click();

    const RouteState& Route() const { return m_route; }
    const QString& HoldDate() const { return m_holdDate; }
    // The ticket date for the preview, by the date setting.
    QString TicketDateText() const;
    // The time printed on the ticket, hh:mm:ss.
    static QString TicketTimeText();

    void CommandButton1_Click(int index);
    void HScroll1_Change(int index);
    void Command8_Click();
    // "設定...": the options dialog, modal, with both windows disabled meanwhile.
    void Command4_Click();
    void Check4_Click();
    void MnuHideCopy_Click();

    // The version text shown by "ﾊﾞｰｼﾞｮﾝ", lines ended by CR LF.
    static QString VersionText(const QString& modelName, int year);

    // The button a key stands for, when it can be pressed now (enabled, in
    // front); and pressing it as its key does. Also for the web view's panel.
    QAbstractButton* KeyButton(const struct PanelKeyPress& press) const;
    bool PressKey(const struct PanelKeyPress& press);

    // A passenger's stop request (降車ボタン), from the board's lamp, the
    // panel's button, its key or from elsewhere in the program: lights
    // 「つぎ止まります」 and plays the chime on a channel of its own. True
    // when it lit the lamp; false while it is lit already (no second chime)
    // or the board is cleared. The lamp stays lit until the board changes row
    // or is cleared.
    bool RequestStop();
    bool StopRequested() const { return m_stopRequested; }
    QPushButton* cmdStopRequest() const { return m_cmdStopRequest; }
    const StopRequestSettings& StopRequestSetup() const { return m_stopRequest; }
    void setStopRequestSetup(const StopRequestSettings& settings);

signals:
    // For those beside the panel (the run, the web view): a route was set
    // (whoever set it), a row was drawn on the board, the tape was moved.
    void routeSet();
    void rowShown(qint16 row);
    void tapeMoved();
    void StopRequestChanged(bool requested);

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // A key pressed in one of the panel's windows; true when it pressed a button.
    bool KeyPressed(QObject* watched, const QKeyEvent& key);
    // Presses the button a key stands for; false when it takes no key now.
    void ShowKeyNames();
    void buildEntryFrames();
    void buildRightSide();
    void buildPreviewPane();
    void playOnS1(const QString& path);
    // The route state, the lamp test and the first row of a route whose
    // records passed the checks.
    void SetRouteData(const QString& routeNo, qint16 sectionNo, const QList<StopRecord>& records);
    // The board update of one row: fares from the section on, information
    // digits, the ticket preview and the stop name.
    void DrawRow(const StopRecord& record, qint16 row, qint16 sectionNo, const QString& routeNo);
    void tellPictureError(int code, const QString& path);
    QString settingText(int soundIndex) const;
    void shutdown();
    static QString listDigits(std::span<QListWidget* const> lists);
    QString stepSoundFor(qint16 row) const;
    void buildStopRequest();
    void ClearStopRequest();
    void ShowStopRequest();

    RouteState m_route;
    QString m_holdDate;
    // Counts board updates, so that one overtaken while pending events ran
    // leaves the stop name to the newer one.
    quint64 m_boardUpdates = 0;
    int m_pictureErrorsOnce = 0; // PictureErrorsOnce alive
    QStringList m_picturesTold;  // picture errors shown meanwhile
    bool m_closing = false;

    Form1* m_board = nullptr;
    frmOption* m_option = nullptr;
    Services m_services;

    bool m_isRouteEntry = false;
    qint16 m_ctrlPanelMode = 0;
    std::array<QRegion, 12> m_btnRgn;

    std::array<QFrame*, 2> m_frame1{};
    std::array<QPushButton*, 12> m_key{};
    std::array<QLabel*, 3> m_label2{};
    std::array<QPushButton*, 2> m_command1{};
    std::array<QListWidget*, 5> m_list2{};
    std::array<QListWidget*, 3> m_list3{};
    std::array<QPushButton*, 2> m_command2{};
    VbCheckBox* m_check1 = nullptr;
    QFrame* m_frame6 = nullptr;
    VbCheckBox* m_check2 = nullptr;
    std::array<QScrollBar*, 2> m_hscroll1{};
    std::array<QLabel*, 2> m_label1{};
    QGroupBox* m_frame2 = nullptr;
    std::array<QRadioButton*, 3> m_option4{};
    QPushButton* m_command4 = nullptr;
    QPushButton* m_command8 = nullptr;
    QGroupBox* m_grpMTape = nullptr;
    QPushButton* m_cmdTapeSet = nullptr;
    QPushButton* m_cmdTapeBack = nullptr;
    QPushButton* m_cmdTapeNext = nullptr;
    QPushButton* m_cmdTapeStop = nullptr;
    VbCheckBox* m_check4 = nullptr;
    QLabel* m_label4 = nullptr;
    QLabel* m_preview = nullptr;
    QComboBox* m_combo1 = nullptr;
    QMenu* m_mnuHide = nullptr;
    QImage m_previewImage;
    // How far opening the preview pane moved the window left.
    int m_previewShift = 0;
    QPushButton* m_cmdStopRequest = nullptr;
    bool m_stopRequested = false;
    StopRequestSettings m_stopRequest;
};
