// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/M_Degit.h"

#include "board/DegitFormat.h"
#include "board/PropertyBag.h"
#include "companion/ColorRef.h"
#include "companion/FontMap.h"
#include "companion/LTM4Res.h"

#include <QFontMetricsF>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QRawFont>

#include <cmath>

namespace {

constexpr int kTwipsPerPixel = 15;

struct CellMetrics {
    int width = 0;  // pixels per digit cell
    int height = 0; // pixels of the control
};

CellMetrics cellMetrics(qint16 degitSize)
{
    const DegitFormat::SizeClass sc = DegitFormat::SizeOf(degitSize);
    return {sc.cellTwips / kTwipsPerPixel, sc.heightTwips / kTwipsPerPixel};
}

// A digit face sized so that one "8" fills its cell: as wide as the face's
// proportions allow within the cell width, never taller than the control.
struct GlyphFit {
    QString key; // face, size class and weight it was made for
    QFont font;
    qreal dx = 0;       // left offset of a glyph inside its cell
    qreal baseline = 0; // baseline from the control's top
};

const GlyphFit& glyphFit(qint16 degitStyle, qint16 degitSize, bool bold)
{
    static QHash<QString, GlyphFit> cache;
    // Keyed by what the styles and sizes resolve to: any style outside the
    // list is the first face, any size outside the list the first class.
    const QString face = DegitFormat::FaceOf(degitStyle);
    const qint16 sizeClass = DegitFormat::BoundDegitSize(degitSize);
    const QString key = face + QLatin1Char('/') + QString::number(sizeClass) +
                        (bold ? QStringLiteral("/b") : QString());
    if (auto it = cache.constFind(key); it != cache.cend())
        return *it;

    const CellMetrics cell = cellMetrics(sizeClass);
    constexpr int kProbe = 100;
    const QFontMetricsF probe(FontMap::MakeFont(face, kProbe, bold));
    const qreal advance = probe.horizontalAdvance(QLatin1Char('8'));
    const QRectF ink = probe.tightBoundingRect(QStringLiteral("8"));
    int px = kProbe;
    if (advance > 0 && ink.height() > 0) {
        const qreal byWidth = cell.width * kProbe / advance;
        const qreal byHeight = (cell.height - 2) * kProbe / ink.height();
        px = qMax(1, int(std::floor(qMin(byWidth, byHeight))));
    }
    GlyphFit fit;
    fit.key = key;
    fit.font = FontMap::MakeFont(face, px, bold);
    const QFontMetricsF fm(fit.font);
    const QRectF glyph = fm.tightBoundingRect(QStringLiteral("8"));
    fit.dx = std::round((cell.width - fm.horizontalAdvance(QLatin1Char('8'))) / 2);
    fit.baseline = std::round((cell.height - glyph.height()) / 2 - glyph.top());
    return *cache.insert(key, fit);
}

// One character of a face in one colour, drawn once on a transparent image
// twice the cell's width (a glyph may reach past its cell) and then only
// blended: printing text is the costly part of a redraw.
const QImage& cellGlyph(const GlyphFit& fit, const CellMetrics& cell, qreal dpr, QChar c,
                        quint32 color)
{
    static QHash<QString, QImage> cache;
    const QString key = fit.key + QLatin1Char('/') + QString::number(color) + QLatin1Char('/') +
                        QString::number(dpr) + QLatin1Char('/') + c;
    if (auto it = cache.constFind(key); it != cache.cend())
        return *it;
    // Colours come and go with the settings; never let the cache grow unbounded.
    if (cache.size() > 4096)
        cache.clear();
    QImage img(QSize(2 * cell.width, cell.height) * dpr, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(fit.font);
    p.setPen(ltm4::FromColorRef(color));
    p.drawText(QPointF(cell.width / 2 + fit.dx, fit.baseline), QString(c));
    p.end();
    return *cache.insert(key, img);
}

} // namespace

M_Degit::M_Degit(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resizeToCells();
    // Until a property asks for a face, the control is a plain surface.
    m_back = QImage(size() * devicePixelRatioF(), QImage::Format_RGB32);
    m_back.setDevicePixelRatio(devicePixelRatioF());
    m_back.fill(ltm4::FromColorRef(m_backColor));
}

void M_Degit::changed(const char* name)
{
    emit PropertyChanged(QString::fromLatin1(name));
}

void M_Degit::setUserSet(bool v)
{
    m_userSet = v;
    changed("UserSet");
}

void M_Degit::setBaseForeColor(quint32 c)
{
    m_baseForeColor = c;
    changed("BaseForeColor");
    DrawDegit(m_value, m_baseForeColor, m_degitForeColor);
}

void M_Degit::setDegitForeColor(quint32 c)
{
    m_degitForeColor = c;
    changed("DegitForeColor");
    DrawDegit(m_value, m_baseForeColor, m_degitForeColor);
}

void M_Degit::setFillZero(qint16 v)
{
    m_fillZero = DegitFormat::BoundFillZero(v, m_keta);
    changed("FillZero");
}

void M_Degit::setZeroMode(qint16 v)
{
    m_zeroMode = DegitFormat::BoundZeroMode(v);
    changed("ZeroMode");
}

void M_Degit::setShift(qint16 v)
{
    m_shift = DegitFormat::BoundShift(v, m_keta);
    changed("Shift");
}

void M_Degit::setKeta(qint16 v)
{
    m_keta = DegitFormat::BoundKeta(v);
    resizeToCells();
    changed("Keta");
    DrawDegit(m_value, m_baseForeColor, m_degitForeColor);
}

void M_Degit::setDegitSize(qint16 v)
{
    m_degitSize = DegitFormat::BoundDegitSize(v);
    resizeToCells();
    changed("DegitSize");
    DrawDegit(m_value, m_baseForeColor, m_degitForeColor);
}

void M_Degit::setDegitStyle(qint16 v)
{
    m_degitStyle = v;
    changed("DegitStyle");
    DrawDegit(m_value, m_baseForeColor, m_degitForeColor);
}

void M_Degit::setValue(const DegitValue& v)
{
    m_value = v;
    changed("Value");
    DrawDegit(m_value, m_baseForeColor, m_degitForeColor);
}

void M_Degit::setBackColor(quint32 c)
{
    m_backColor = c;
    changed("BackColor");
    DrawDegit(m_value, m_baseForeColor, m_degitForeColor);
}

qint32 M_Degit::ShowSetDlg()
{
    qint16 zeroMode = m_zeroMode;
    qint16 shift = m_shift;
    qint16 fillZero = m_fillZero;
    // The preview shows a few typical values as this very control would.
    const auto preview = [this](qint16 zm, qint16 sh, qint16 fz) {
        const DegitValue samples[] = {DegitValue(5), DegitValue(230), DegitValue(0),
                                      DegitValue(-1)};
        constexpr int kCaption = 36;
        constexpr int kGap = 4;
        const QImage first = RenderSample(samples[0], zm, sh, fz);
        const QSize cell = first.deviceIndependentSize().toSize();
        QImage out(kCaption + cell.width(), 4 * (cell.height() + kGap), QImage::Format_RGB32);
        out.fill(palette().window().color());
        QPainter p(&out);
        p.setPen(palette().windowText().color());
        int y = 0;
        for (const DegitValue& v : samples) {
            p.drawText(QRect(0, y, kCaption - 4, cell.height()), Qt::AlignRight | Qt::AlignVCenter,
                       v.ToString());
            p.drawImage(QPoint(kCaption, y), RenderSample(v, zm, sh, fz));
            y += cell.height() + kGap;
        }
        return out;
    };
    const qint32 result = ltm4::Call_dlg100(hwnd(), m_keta, zeroMode, shift, fillZero, preview);
    // Taken back as the dialog returns them: its own ranges are the bounds here.
    m_zeroMode = zeroMode;
    m_shift = shift;
    m_fillZero = fillZero;
    DrawDegit(m_value, m_baseForeColor, m_degitForeColor);
    return result;
}

void M_Degit::ResetDegit(qint16 nMode)
{
    const qint16 shift = m_shift;
    const qint16 zeroMode = m_zeroMode;
    const qint16 fillZero = m_fillZero;
    setShift(0);
    setZeroMode(0);
    setFillZero(0);
    setValue(nMode == -1 ? DegitValue(QString(m_keta, QLatin1Char('8'))) : DegitValue(QString()));
    setShift(shift);
    setZeroMode(zeroMode);
    setFillZero(fillZero);
}

void M_Degit::WriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty(QStringLiteral("BaseForeColor"), qint64(m_baseForeColor),
                      qint64(kDefaultBaseForeColor));
    bag.WriteProperty(QStringLiteral("DegitForeColor"), qint64(m_degitForeColor),
                      qint64(kDefaultDegitForeColor));
    bag.WriteProperty(QStringLiteral("FillZero"), m_fillZero, 0);
    bag.WriteProperty(QStringLiteral("ZeroMode"), m_zeroMode, 0);
    bag.WriteProperty(QStringLiteral("Shift"), m_shift, 0);
    bag.WriteProperty(QStringLiteral("Keta"), m_keta, 4);
    bag.WriteProperty(QStringLiteral("DegitSize"), m_degitSize, 0);
    bag.WriteProperty(QStringLiteral("DegitStyle"), m_degitStyle, 0);
    bag.WriteProperty(QStringLiteral("Value"), m_value.ToVariant(), 0);
    bag.WriteProperty(QStringLiteral("UserSet"), m_userSet, true);
    bag.WriteProperty(QStringLiteral("BackColor"), qint64(m_backColor), qint64(kDefaultBackColor));
}

void M_Degit::ReadProperties(const PropertyBag& bag)
{
    const auto i16 = [&bag](const char* key, int def) {
        return qint16(bag.ReadProperty(QString::fromLatin1(key), def).toInt());
    };
    const auto color = [&bag](const char* key, quint32 def) {
        return quint32(bag.ReadProperty(QString::fromLatin1(key), qint64(def)).toLongLong());
    };
    m_baseForeColor = color("BaseForeColor", kDefaultBaseForeColor);
    m_degitForeColor = color("DegitForeColor", kDefaultDegitForeColor);
    m_fillZero = i16("FillZero", 0);
    m_zeroMode = i16("ZeroMode", 0);
    m_shift = i16("Shift", 0);
    m_keta = i16("Keta", 4);
    m_degitSize = i16("DegitSize", 0);
    m_degitStyle = i16("DegitStyle", 0);
    m_value = DegitValue::FromVariant(bag.ReadProperty(QStringLiteral("Value"), 0));
    m_userSet = bag.ReadProperty(QStringLiteral("UserSet"), true).toBool();
    m_backColor = color("BackColor", kDefaultBackColor);
    resizeToCells();
}

QImage M_Degit::RenderSample(const DegitValue& value, qint16 zeroMode, qint16 shift,
                             qint16 fillZero) const
{
    QImage img(size() * devicePixelRatioF(), QImage::Format_RGB32);
    img.setDevicePixelRatio(devicePixelRatioF());
    paintFace(img, DegitFormat::DisplayText(value, zeroMode, fillZero, shift, m_keta),
              m_baseForeColor, m_degitForeColor);
    return img;
}

void M_Degit::DrawDegit(const DegitValue& value, quint32 baseColor, quint32 digitColor)
{
    const qreal dpr = devicePixelRatioF();
    if (m_back.size() != size() * dpr) {
        m_back = QImage(size() * dpr, QImage::Format_RGB32);
        m_back.setDevicePixelRatio(dpr);
    }
    paintFace(m_back, DegitFormat::DisplayText(value, m_zeroMode, m_fillZero, m_shift, m_keta),
              baseColor, digitColor);
    update();
}

void M_Degit::paintFace(QImage& img, const QString& text, quint32 baseColor,
                        quint32 digitColor) const
{
    img.fill(ltm4::FromColorRef(m_backColor));
    if (m_keta <= 0)
        return;
    const GlyphFit& fit = glyphFit(m_degitStyle, m_degitSize, m_bold);
    const CellMetrics cell = cellMetrics(m_degitSize);
    const int pitch = cell.width + m_charExtra;
    const qreal width = img.deviceIndependentSize().width();
    const qreal dpr = img.devicePixelRatio();
    const qreal half = cell.width / 2;

    QPainter p(&img);
    // Unlit layer: every segment of every cell.
    const QImage& eight = cellGlyph(fit, cell, dpr, QLatin1Char('8'), baseColor);
    for (int i = 0; i < m_keta; ++i)
        p.drawImage(QPointF(i * pitch - half, 0), eight);
    // Lit layer, right-aligned; blanks leave their cell unlit.
    const qreal x0 = width - text.size() * pitch;
    for (qsizetype j = 0; j < text.size(); ++j) {
        if (text[j] == QLatin1Char(' '))
            continue;
        p.drawImage(QPointF(x0 + j * pitch - half, 0),
                    cellGlyph(fit, cell, dpr, text[j], digitColor));
    }
}

void M_Degit::resizeToCells()
{
    const CellMetrics cell = cellMetrics(m_degitSize);
    resize(cell.width * qMax<qint16>(m_keta, 0), cell.height);
}

void M_Degit::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_back.deviceIndependentSize().toSize() != size())
        p.fillRect(rect(), ltm4::FromColorRef(m_backColor));
    p.drawImage(QPoint(0, 0), m_back);
}

void M_Degit::mousePressEvent(QMouseEvent* e)
{
    // A press on a cell is the cell's own, not a grab of the board beneath.
    e->accept();
}

void M_Degit::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() == Qt::LeftButton)
        emit DblClick();
}
