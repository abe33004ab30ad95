// Drives an unpacked copy of the program without a person: scripts/check-package.sh preloads this
// library into it (LD_PRELOAD). Once the window is up it pastes a text, presses " Start
// Conversion", accepts each box, presses "Open directory" and quits; it prints every box's text as
// "box: ..." on standard output. It uses only what the window shows, so the program needs no hook
// of its own and the package holds nothing of this.

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

const QString Text = QStringLiteral("Converted by an installed copy 中文测试");

QAbstractButton* buttonOf(QWidget* window, const QString& caption) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->text() == caption)
            return button;
    return nullptr;
}

void stop(const char* why) {
    std::fprintf(stderr, "package driver: %s\n", why);
    QCoreApplication::exit(1);
}

void drive(int attempts) {
    QWidget* window = nullptr;
    QPlainTextEdit* memo = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && (memo = top->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))))
            window = top;
    if (!window) {
        if (attempts == 0)
            return stop("no window with a text area");
        QTimer::singleShot(100, [attempts] { drive(attempts - 1); });
        return;
    }
    QAbstractButton* convert = buttonOf(window, QStringLiteral(" Start Conversion"));
    QAbstractButton* open = buttonOf(window, QStringLiteral("Open directory"));
    if (!convert || !open)
        return stop("buttons not found");

    QGuiApplication::clipboard()->setText(Text);
    memo->setFocus();
    QTest::keySequence(memo, QKeySequence::Paste);
    if (memo->toPlainText() != Text)
        return stop("the paste did not reach the text area");

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::printf("box: %s\n", box->text().toUtf8().constData());
            box->accept();
        }
    });
    poll.start(20);
    QTest::mouseClick(convert, Qt::LeftButton); // returns once the boxes are closed
    QTest::mouseClick(open, Qt::LeftButton);
    std::fflush(stdout);
    QCoreApplication::exit(0);
}

void start() {
    QTimer::singleShot(0, [] { drive(300); });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(start)
