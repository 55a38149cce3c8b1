// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The companion library: common dialogs, byte-wise CP932 text helpers, the
// OS name and the ticket plugin host. The operation names are the ones the rest of the program has
// always called; the signatures are native (QWidget* for owners, QImage for pictures).

#include "companion/PlgInfo.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QPainter;
class QWidget;

namespace ltm4 {

// Date record in SYSTEMTIME field order.
struct SystemTime {
    qint16 wYear = 0;
    qint16 wMonth = 0;
    qint16 wDayOfWeek = 0;
    qint16 wDay = 0;
    qint16 wHour = 0;
    qint16 wMinute = 0;
    qint16 wSecond = 0;
    qint16 wMilliseconds = 0;
};

// Custom-colour table of the colour chooser, kept in the settings file.
using CustColorTable = std::array<quint32, 17>;

// Renders how a digit control would look with the given formatting; lets the
// digit settings dialog show a live preview without knowing the control.
using DigitPreview = std::function<QImage(qint16 zeroMode, qint16 shift, qint16 fillZero)>;

// Digit settings dialog. zeroMode, shift and fillZero carry the control's
// settings in and the chosen ones out. Returns 1 when the user confirmed.
qint32 Call_dlg100(QWidget* owner, qint16 keta, qint16& zeroMode, qint16& shift, qint16& fillZero,
                   const DigitPreview& preview = {});

// Modal text dialog (About). mode 1: the text with an OK button.
void Call_dlg110(QWidget* owner, qint32 mode, const QString& text);

// Date picker. Non-zero when a date was chosen; year, month, day (and day of
// week) are then filled in.
qint32 Call_dlg111(QWidget* owner, SystemTime& date);

// File chooser. filter holds description/pattern pairs, each text followed by
// one NUL and the whole ended by a second NUL. mode 0 opens an existing file;
// an empty initialDir means no initial folder. Empty result when cancelled.
QString Lt3FileDlg(QWidget* owner, qint32 mode, const QString& filter, const QString& initialDir,
                   const QString& title);

// Folder chooser, opened in startFolder when that is a folder; empty result
// when cancelled.
QString Lt3FolderDlg(QWidget* owner, const QString& prompt, const QString& startFolder = {});

// Colour chooser. Non-zero when a colour was chosen (then in color, 0x00BBGGRR).
// custColors may be changed in place.
qint32 Lt3ChooseColor(QWidget* owner, quint32& color, CustColorTable& custColors);

// Byte length of a CP932 text.
qint32 LenB_ASCII(const QByteArray& text);

// The bytes of a CP932 text from 1-based byte position start, at most count of
// them. Empty when start lies past the end or count is not positive; a start
// below 1 counts from the first byte.
QByteArray MidB_ASCII(const QByteArray& text, qint32 start, qint32 count);

// A readable name of the running operating system.
QString GetOsInfo();

// Ticket plugins (*.4SP), named by their path; the host keeps nothing
// between calls. Non-zero when the file is a usable plugin, with info filled;
// otherwise *refusal (when given) says why, with the line, as plgtool does.
qint32 LT4_GetPlgInfo(const QString& path, PlgInfo& info, QString* refusal = nullptr);

// Writes the plugin's notes into notesBox (a QPlainTextEdit, QTextEdit,
// QLineEdit or QLabel).
void LT4_SetPlgComment(const QString& path, QWidget* notesBox);

// Appends the plugin's company names to companyList (a QComboBox or QListWidget).
void LT4_SetCorpAddList(const QString& path, QWidget* companyList);

// Draws the ticket the stop would issue onto dc. Draws nothing, and does not
// fail, for an empty path or a file that is not a plugin.
void LT4_DrawSeiriken(const QString& path, QPainter& dc, const QString& stopName,
                      const QString& dateText, const QString& timeText, qint32 routeNo,
                      qint16 seiriNo, qint16 row, qint16 corpIndex);

// CP932 conversion of texts that cross into files and byte operations.
// A character CP932 cannot hold becomes "?"; *lossy (when given) tells.
QByteArray ToCp932(const QString& text, bool* lossy = nullptr);
QString FromCp932(const QByteArray& bytes);

// A text file someone else wrote, in one of the encodings users' files come
// in: UTF-8 when the whole of it is (a leading BOM skipped), else CP932. One
// rule for every reader of such files.
struct DecodedText {
    QString text;            // empty when neither encoding holds every byte
    bool utf8 = false;       // read as UTF-8
    qsizetype badUtf8 = -1;  // first byte that is not UTF-8, when it is not
    qsizetype badCp932 = -1; // first byte that is not a CP932 character, when it is not
    bool ok() const { return utf8 || badCp932 < 0; }
};
// Offsets count in bytes as given, a BOM included.
DecodedText DecodeUtf8OrCp932(QByteArrayView bytes);
// For the user, of bytes that decoded is not ok() for: that they are neither,
// with the line and byte where each encoding breaks.
QString UndecodableText(QByteArrayView bytes, const DecodedText& decoded);

// The text as it reads back from CP932 bytes: characters CP932 lacks come
// back as "?", and JIS forms such as the wave dash 〜 in CP932's form (～).
QString Cp932RoundTrip(const QString& text);

// CP932's forms of 〜 − ‖ ¢ £ ¬ — turned back into the JIS forms that Linux
// input methods type, for finding a name that was stored through CP932.
QString ToJisForms(QString text);

// Turns a NUL-separated filter into Qt name filters ("desc (patterns)").
// Patterns match either letter case, as file names on Windows did.
QStringList ParseFileFilter(const QString& filter);

} // namespace ltm4
