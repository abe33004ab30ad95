#pragma once

#include <QMessageBox>

// The program's message boxes. The text wraps at about half the screen's width; a run with no
// break point that is wider than the box (a long folder name in a path) is broken where it
// reaches the edge, so the message is always shown whole. A box may be centred on its screen.
class TMessageBox : public QMessageBox {
    Q_OBJECT
public:
    TMessageBox(Icon icon, const QString& title, const QString& text, QWidget* parent = nullptr);
    // Centred on the screen once it has its final size, not before.
    void SetCentredOnScreen(bool centred) { centred_ = centred; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void wrapAt(int width);

    QString message_;
    bool centred_ = false;
};

// The text with a zero-width break between the characters of every run that has no line break
// opportunity and is wider than width in fm's font.
QString withBreaksInLongRuns(const QString& text, const QFontMetrics& fm, int width);
