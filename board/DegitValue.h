// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The value of a digit cell: a number or a text, compared the way the board's
// callers expect: a text never equals a number, so the text "0" is not zero
// and the number 0 is not the empty text.

#include <QString>
#include <QVariant>

class DegitValue {
public:
    DegitValue() = default; // the number 0
    DegitValue(int n) : m_number(n) {}
    DegitValue(double n) : m_number(n) {}
    DegitValue(const QString& text) : m_isText(true), m_text(text) {}
    DegitValue(const char16_t* text) : DegitValue(QString::fromUtf16(text)) {}

    bool IsText() const { return m_isText; }
    double Number() const { return m_number; }
    const QString& Text() const { return m_text; }

    // Numeric reading: a number, or a text that reads as a finite number
    // (blanks around it allowed). An empty or blank text is not numeric.
    bool IsNumeric(double* out = nullptr) const;

    // The value as text: texts as they are, whole numbers without a fraction.
    QString ToString() const;

    QVariant ToVariant() const;
    static DegitValue FromVariant(const QVariant& v);

    friend bool operator==(const DegitValue& a, const DegitValue& b)
    {
        if (a.m_isText != b.m_isText)
            return false;
        return a.m_isText ? a.m_text == b.m_text : a.m_number == b.m_number;
    }

private:
    bool m_isText = false;
    double m_number = 0;
    QString m_text;
};
