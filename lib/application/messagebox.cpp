#include "lib/application/messagebox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QTextBoundaryFinder>

namespace {
constexpr QChar ZeroWidthBreak(0x200B);

QLabel* textLabel(QMessageBox* box) {
    return box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
}
} // namespace

QString withBreaksInLongRuns(const QString& text, const QFontMetrics& fm, int width) {
    QString out;
    out.reserve(text.size());
    QTextBoundaryFinder lines(QTextBoundaryFinder::Line, text);
    qsizetype start = 0;
    while (start < text.size()) {
        lines.setPosition(start);
        qsizetype end = lines.toNextBoundary();
        if (end < 0)
            end = text.size();
        const QString run = text.mid(start, end - start);
        if (fm.horizontalAdvance(run.trimmed()) <= width) {
            out += run;
        } else {
            QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, run);
            qsizetype from = 0;
            for (qsizetype to = graphemes.toNextBoundary(); to > 0;
                 to = graphemes.toNextBoundary()) {
                out += run.mid(from, to - from);
                // No line starts with the punctuation that closes a word ("/", ".").
                if (to < run.size() && !run.at(to).isSpace() &&
                    !(run.at(to).isPunct() && !run.at(to - 1).isPunct()))
                    out += ZeroWidthBreak;
                from = to;
            }
        }
        start = end;
    }
    return out;
}

TMessageBox::TMessageBox(Icon icon, const QString& title, const QString& text, QWidget* parent)
    : QMessageBox(icon, title, text, QMessageBox::Ok, parent), message_(text) {
    setEscapeButton(QMessageBox::Ok);
    setDefaultButton(QMessageBox::Ok);
    if (QLabel* label = textLabel(this))
        label->setAccessibleName(text); // read without the breaks
}

void TMessageBox::wrapAt(int width) {
    QLabel* label = textLabel(this);
    if (!label || width <= 0)
        return;
    const QString shown = withBreaksInLongRuns(message_, label->fontMetrics(), width);
    if (shown != text())
        setText(shown);
}

void TMessageBox::showEvent(QShowEvent* event) {
    QScreen* s = screen();
    QLabel* label = textLabel(this);
    if (s && label) {
        const int half = s->geometry().width() / 2;
        label->setMaximumWidth(half);
        // A first guess keeps Qt's own sizing off its widest form, then the label's real width.
        wrapAt(half / 2);
    }
    QMessageBox::showEvent(event);
    if (label) {
        for (int i = 0; i < 3; ++i) {
            layout()->activate();
            const QString before = text();
            wrapAt(label->contentsRect().width());
            if (text() == before)
                break;
        }
    }
    if (centred_ && s) {
        const QRect area = s->geometry();
        const QSize outer = frameGeometry().size();
        move(area.left() + (area.width() - outer.width()) / 2,
             area.top() + (area.height() - outer.height()) / 2);
    }
}

void TMessageBox::keyPressEvent(QKeyEvent* event) {
    QMessageBox::keyPressEvent(event);
    // The breaks are for the eye; a copied path must work.
    if (event->matches(QKeySequence::Copy)) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        const QString copied = clipboard->text();
        if (copied.contains(ZeroWidthBreak))
            clipboard->setText(QString(copied).remove(ZeroWidthBreak));
    }
}
