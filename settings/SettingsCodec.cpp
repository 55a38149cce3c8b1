// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsCodec.h"

#include "companion/LTM4Res.h"

#include <QtEndian>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// The one list of fields in file order, shared by the writer, the reader and
// the namer so that they cannot drift apart. Names are patterns: "%1" takes
// the index of an indexed field.
template <typename Io, typename Rec> void WalkFields(Io& io, Rec& r)
{
    io.str(r.DataDir.FareDataDir, "FareDataDir");
    io.str(r.DataDir.TapeDataDir, "TapeDataDir");

    auto& p = r.Panel;
    io.i16(p.AutoSeiriNum, "AutoSeiriNum");
    for (int i = 0; i < 3; ++i)
        io.i32(p.SeiriNumColor[i], "SeiriNumColor(%1)", i);
    io.i16(p.SeiriNumStyle, "SeiriNumStyle");
    io.i16(p.SeiriNumZero, "SeiriNumZero");
    io.i16(p.PanelAuto, "PanelAuto");
    io.i16(p.PanelIndividual, "PanelIndividual");
    io.i16(p.PanelOffBuiltin, "PanelOffBuiltin");
    io.i16(p.PanelOffUser, "PanelOffUser");
    io.i16(p.PanelOn1Builtin, "PanelOn1Builtin");
    io.i16(p.PanelOn1User, "PanelOn1User");
    io.i16(p.PanelOn2Builtin, "PanelOn2Builtin");
    io.i16(p.PanelOn2User, "PanelOn2User");
    for (int i = 0; i < 3; ++i)
        io.str(p.PanelFile[i], "PanelFile(%1)", i);

    auto& d = r.Degit;
    io.i32(d.DegitBackColor, "DegitBackColor");
    io.i32(d.DegitBaseForeColor, "DegitBaseForeColor");
    io.i32(d.DegitForeColor, "DegitForeColor");
    io.i16(d.InfoStopOrderOn, "InfoStopOrderOn");
    io.i16(d.InfoStopOrderCell, "InfoStopOrderCell");
    io.i16(d.InfoCountFromZero, "InfoCountFromZero");
    io.i16(d.InfoSeiriNoOn, "InfoSeiriNoOn");
    io.i16(d.InfoSeiriNoCell, "InfoSeiriNoCell");
    io.i16(d.InfoRouteNoOn, "InfoRouteNoOn");
    io.i16(d.InfoRouteNoCell, "InfoRouteNoCell");
    io.i16(d.InfoColumnOn, "InfoColumnOn");
    io.i16(d.InfoColumn, "InfoColumn");
    io.i16(d.InfoColumnCell, "InfoColumnCell");

    auto& c = r.Chimei;
    io.i32(c.ChimeiBackColor, "ChimeiBackColor");
    io.i32(c.ChimeiForeColor, "ChimeiForeColor");
    io.i16(c.ChimeiFontMode, "ChimeiFontMode");
    io.i16(c.ChimeiFontBold, "ChimeiFontBold");

    // The file keeps mode before sync/async; the options transfer walks them
    // the other way round, which is no concern of the file.
    auto& s = r.Sound;
    io.str(s.RouteSetSound, "RouteSetSound");
    io.str(s.ResetSound, "ResetSound");
    io.i16(s.StepSoundAlways, "StepSoundAlways");
    io.i16(s.StepSoundByColumn, "StepSoundByColumn");
    io.i16(s.StepSoundSync, "StepSoundSync");
    io.i16(s.StepSoundAsync, "StepSoundAsync");
    io.str(s.StepSound, "StepSound");
    io.i16(s.StepSoundColumn, "StepSoundColumn");
    for (int i = 1; i <= 3; ++i)
        io.str(s.StepSoundFlag[i], "StepSoundFlag(%1)", i);
    io.i16(s.PreSoundAlways, "PreSoundAlways");
    io.i16(s.PreSoundByFlag, "PreSoundByFlag");
    io.i16(s.PreSoundSync, "PreSoundSync");
    io.i16(s.PreSoundAsync, "PreSoundAsync");
    io.str(s.PreSound, "PreSound");
    for (int i = 1; i <= 3; ++i)
        io.str(s.PreSoundFlag[i], "PreSoundFlag(%1)", i);

    auto& sp = r.SeiriPrev;
    io.i16(sp.UseSeiriPrev, "UseSeiriPrev");
    io.str(sp.SeiriPlgPath, "SeiriPlgPath");
    io.i16(sp.DateSystemEachPrint, "DateSystemEachPrint");
    io.i16(sp.DateHoldAtRouteSet, "DateHoldAtRouteSet");
    io.i16(sp.DateFixed, "DateFixed");
    io.str(sp.FixedDate, "FixedDate");

    auto& ct = r.CtrlData;
    io.i16(ct.CtrlPanelMode, "CtrlPanelMode");
    io.i32(ct.ScrollSpeed, "ScrollSpeed");
    io.i32(ct.ScrollInterval, "ScrollInterval");
    io.i16(ct.LateNight, "LateNight");
    io.i16(ct.PreviewOpen, "PreviewOpen");
    io.i32(ct.CtrlLeft, "CtrlLeft");
    io.i32(ct.CtrlTop, "CtrlTop");

    io.i32(r.Form.BoardLeft, "BoardLeft");
    io.i32(r.Form.BoardTop, "BoardTop");

    for (int i = 0; i < int(r.CustColors.size()); ++i)
        io.i32(r.CustColors[i], "CustColors(%1)", i);

    io.degitCount(r.DegitCount, "DegitCount");
    for (int k = 1; k <= kSettingsDegitEntries; ++k) {
        io.i16(r.DegitSet[k].Shift, "DegitSet(%1).Shift", k);
        io.i16(r.DegitSet[k].ZeroMode, "DegitSet(%1).ZeroMode", k);
        io.i16(r.DegitSet[k].FillZero, "DegitSet(%1).FillZero", k);
    }
}

class Writer final {
public:
    Writer() { out_.reserve(kSettingsEmptyTextsSize + 256); }

    void i16(qint16 v, const char*, int = -1)
    {
        ++field_;
        putLe(v);
    }
    void i32(qint32 v, const char*, int = -1)
    {
        ++field_;
        putLe(v);
    }
    void degitCount(qint16, const char*) { i16(kSettingsDegitEntries, nullptr); }

    void str(const QString& v, const char*, int = -1)
    {
        ++field_;
        bool lost = false;
        const QByteArray bytes = ltm4::ToCp932(v, &lost);
        if (lost && !result_.lossy) {
            result_.lossy = true;
            result_.firstLossyField = field_;
        }
        // A count that wrapped would make every later field unreadable, so
        // such a text fails the whole file rather than being cut.
        if (bytes.size() > kSettingsMaxTextBytes) {
            if (result_.ok()) {
                result_.error = SettingsEncodeError::TextTooLong;
                result_.errorField = field_;
            }
            return;
        }
        putLe(quint16(bytes.size()));
        out_ += bytes;
    }

    SettingsEncodeResult finish()
    {
        if (result_.ok())
            result_.bytes = std::move(out_);
        return std::move(result_);
    }

private:
    template <typename T> void putLe(T v)
    {
        char b[sizeof(T)];
        qToLittleEndian(v, b);
        out_.append(b, sizeof(T));
    }

    QByteArray out_;
    SettingsEncodeResult result_;
    int field_ = 0;
};

class Reader final {
public:
    explicit Reader(const QByteArray& bytes) : data_(bytes) {}

    void i16(qint16& v, const char*, int = -1) { getLe(v); }
    void i32(qint32& v, const char*, int = -1) { getLe(v); }
    void degitCount(qint16&, const char*)
    {
        qint16 ignored = 0;
        getLe(ignored);
    }

    void str(QString& v, const char*, int = -1)
    {
        if (stopped_ || remaining() < 2) {
            stopped_ = true;
            return;
        }
        const auto count = qFromLittleEndian<quint16>(data_.constData() + pos_);
        if (remaining() - 2 < count) {
            stopped_ = true;
            return;
        }
        v = ltm4::FromCp932(data_.mid(pos_ + 2, count));
        advance(2 + count);
    }

    SettingsDecodeResult result() const
    {
        SettingsDecodeResult r;
        r.fieldsRead = fields_;
        r.bytesRead = pos_;
        if (!stopped_)
            r.trailingBytes = remaining();
        return r;
    }

private:
    template <typename T> void getLe(T& v)
    {
        if (stopped_ || remaining() < qsizetype(sizeof(T))) {
            stopped_ = true;
            return;
        }
        v = qFromLittleEndian<T>(data_.constData() + pos_);
        advance(sizeof(T));
    }

    qsizetype remaining() const { return data_.size() - pos_; }
    void advance(qsizetype n)
    {
        pos_ += n;
        ++fields_;
    }

    const QByteArray& data_;
    qsizetype pos_ = 0;
    int fields_ = 0;
    bool stopped_ = false;
};

// Counts along the walk and keeps the name pattern of the wanted field.
class Namer final {
public:
    explicit Namer(int wanted) : wanted_(wanted) {}

    template <typename T> void i16(const T&, const char* name, int index = -1)
    {
        visit(name, index);
    }
    template <typename T> void i32(const T&, const char* name, int index = -1)
    {
        visit(name, index);
    }
    template <typename T> void str(const T&, const char* name, int index = -1)
    {
        visit(name, index);
    }
    void degitCount(qint16, const char* name) { visit(name, -1); }

    QString name() const { return name_; }

private:
    void visit(const char* name, int index)
    {
        if (++field_ != wanted_)
            return;
        name_ = QString::fromLatin1(name);
        if (index >= 0)
            name_ = name_.arg(index);
    }

    int wanted_ = 0;
    int field_ = 0;
    QString name_;
};

} // namespace

bool SettingsDecodeResult::damaged() const
{
    // Fields read when the file ends right after item 1, 2, ... 10.
    static constexpr int kItemEnds[] = {2, 19, 32, 36, 55, 61, 68, 70, 87, kSettingsFieldCount};
    return std::find(std::begin(kItemEnds), std::end(kItemEnds), fieldsRead) == std::end(kItemEnds);
}

SettingsEncodeResult EncodeSettings(const SettingsRecord& rec)
{
    Writer w;
    WalkFields(w, rec);
    return w.finish();
}

SettingsDecodeResult DecodeSettings(const QByteArray& bytes, SettingsRecord& rec)
{
    Reader r(bytes);
    WalkFields(r, rec);
    return r.result();
}

QString SettingsFieldName(int field)
{
    if (field < 1 || field > kSettingsFieldCount)
        return {};
    static const SettingsRecord blank;
    Namer n(field);
    WalkFields(n, blank);
    return n.name();
}

int SettingsFieldNumber(QStringView name)
{
    for (int field = 1; field <= kSettingsFieldCount; ++field)
        if (SettingsFieldName(field) == name)
            return field;
    return 0;
}

QString SettingsFileName(const QString& folder, const QString& baseName)
{
    const QString file = baseName + QLatin1String(".in4");
    if (folder.isEmpty())
        return file;
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder + file;
    return folder + QLatin1Char('/') + file;
}
