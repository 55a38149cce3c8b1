// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A number shown the way a fare board's seven-segment lamps show it: a row of
// dim "8" glyphs with the value printed over them, right-aligned, in the lit
// colour. The face is kept in a back image and only redrawn by the property
// setters that say so.

#include "board/DegitValue.h"

#include <QImage>
#include <QWidget>

class PropertyBag;

class M_Degit final : public QWidget {
    Q_OBJECT
public:
    static constexpr quint32 kDefaultBaseForeColor = 9868950;  // grey 150
    static constexpr quint32 kDefaultDegitForeColor = 7525112; // amber 248, 210, 114
    static constexpr quint32 kDefaultBackColor = 8421504;      // grey 128

    explicit M_Degit(QWidget* parent = nullptr);

    bool UserSet() const { return m_userSet; }
    void setUserSet(bool v);
    quint32 BaseForeColor() const { return m_baseForeColor; }
    void setBaseForeColor(quint32 c);
    quint32 DegitForeColor() const { return m_degitForeColor; }
    void setDegitForeColor(quint32 c);
    qint16 FillZero() const { return m_fillZero; }
    void setFillZero(qint16 v);
    qint16 ZeroMode() const { return m_zeroMode; }
    void setZeroMode(qint16 v);
    qint16 Shift() const { return m_shift; }
    void setShift(qint16 v);
    qint16 Keta() const { return m_keta; }
    void setKeta(qint16 v);
    qint16 DegitSize() const { return m_degitSize; }
    void setDegitSize(qint16 v);
    qint16 DegitStyle() const { return m_degitStyle; }
    void setDegitStyle(qint16 v);
    const DegitValue& Value() const { return m_value; }
    void setValue(const DegitValue& v);
    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 c);
    QWidget* hwnd() { return this; }

    // Opens the digit settings dialog; returns its result (1 = confirmed).
    qint32 ShowSetDlg();
    // nMode -1: every segment lit (lamp test); anything else: blank.
    void ResetDegit(qint16 nMode);

    void WriteProperties(PropertyBag& bag) const;
    void ReadProperties(const PropertyBag& bag);

    // The face as last drawn.
    const QImage& Picture() const { return m_back; }

    // The face of this control for a value under other formatting, without
    // touching the control. Used for the settings dialog's preview.
    QImage RenderSample(const DegitValue& value, qint16 zeroMode, qint16 shift,
                        qint16 fillZero) const;

signals:
    void DblClick();
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void DrawDegit(const DegitValue& value, quint32 baseColor, quint32 digitColor);
    void paintFace(QImage& img, const QString& text, quint32 baseColor, quint32 digitColor) const;
    void resizeToCells();
    void changed(const char* name);

    bool m_userSet = true;
    quint32 m_baseForeColor = kDefaultBaseForeColor;
    quint32 m_degitForeColor = kDefaultDegitForeColor;
    qint16 m_fillZero = 0;
    qint16 m_zeroMode = 0;
    qint16 m_shift = 0;
    qint16 m_keta = 4;
    qint16 m_degitSize = 0;
    qint16 m_degitStyle = 0;
    DegitValue m_value;
    quint32 m_backColor = kDefaultBackColor;
    // Character spacing and weight; the systems this runs on take 0 and bold.
    int m_charExtra = 0;
    bool m_bold = true;
    QImage m_back;
};
