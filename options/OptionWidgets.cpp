// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/OptionWidgets.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <utility>

namespace optui {

namespace {

QString captionOf(const QWidget* host)
{
    if (const auto* label = qobject_cast<const QLabel*>(host))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(host))
        return button->text();
    return {};
}

// Where the caption's first character is drawn inside the host.
int textLeft(const QWidget* host)
{
    if (const auto* box = qobject_cast<const QCheckBox*>(host)) {
        QStyleOptionButton opt;
        opt.initFrom(box);
        opt.text = box->text();
        return box->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, box).left();
    }
    if (const auto* label = qobject_cast<const QLabel*>(host))
        return label->contentsRect().left() + qMax(0, label->indent()) + label->margin();
    return 0;
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x3000);
}

// Start and length of the run-th run of blanks; length 0 when there is none.
std::pair<int, int> blankRun(const QString& text, int run)
{
    int i = 0;
    const int n = int(text.size());
    for (;;) {
        while (i < n && !isBlank(text.at(i)))
            ++i;
        const int start = i;
        while (i < n && isBlank(text.at(i)))
            ++i;
        if (start == n)
            return {n, 0};
        if (run-- == 0)
            return {start, i - start};
    }
}

class BlankFollower final : public QObject {
public:
    BlankFollower(QWidget* host, QWidget* list, int run)
        : QObject(host), m_host(host), m_list(list), m_run(run)
    {
        host->installEventFilter(this);
        place();
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched == m_host && (e->type() == QEvent::Resize || e->type() == QEvent::Show ||
                                  e->type() == QEvent::FontChange))
            place();
        return false;
    }

private:
    void place()
    {
        const QString text = captionOf(m_host);
        const auto [start, length] = blankRun(text, m_run);
        const QFontMetrics fm = m_host->fontMetrics();
        const int left = textLeft(m_host) + fm.horizontalAdvance(text.left(start));
        const int room = fm.horizontalAdvance(text.mid(start, length));
        // A long run gets a list of its natural width in its middle.
        const int w = qMin(room, qMax(m_list->sizeHint().width(), room / 2));
        const int h = m_list->sizeHint().height();
        m_list->setGeometry(left + (room - w) / 2, qMax(0, (m_host->height() - h) / 2), w, h);
    }

    QWidget* m_host;
    QWidget* m_list;
    int m_run;
};

} // namespace

QPushButton* DotsButton(QWidget* parent, const char* name, int index)
{
    auto* b = Named(new QPushButton(QStringLiteral("..."), parent), name, index);
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    return b;
}

void SitOverBlanks(QWidget* host, QWidget* list, int run)
{
    list->setParent(host);
    host->setMinimumHeight(list->sizeHint().height());
    new BlankFollower(host, list, run);
}

} // namespace optui
