// The skinned look and the frame's behaviour, checked on the real window.

#include "lib/look/controls.h"
#include "lib/look/skin.h"
#include "lib/look/skinframe.h"
#include "lib/look/statusbar.h"
#include "lib/picture/memo.h"
#include "shell/Communal.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

constexpr QPoint ClientOrigin(4, 27);
const QColor ClientBlue(227, 238, 253);
const QColor CaptionActive(62, 106, 170);
const QColor CaptionInactive(188, 213, 245);

QImage shot(QWidget* w) {
    return w->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QColor at(const QImage& image, QPoint p) {
    return image.pixelColor(p);
}

int countColour(const QImage& image, const QRect& area, const QColor& colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

// The smallest rectangle holding every pixel where a and b differ.
QRect differingArea(const QImage& a, const QImage& b) {
    QRect r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}

// Columns holding a pixel darker than the threshold, as a range.
QPair<int, int> inkColumns(const QImage& image, const QRect& area, int threshold = 100) {
    int first = -1, last = -1;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (qGray(image.pixel(x, y)) < threshold) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

// The offscreen platform cannot shape windows, raise them or grab the keyboard, and says so.
QtMessageHandler previousHandler = nullptr;
void dropMaskWarning(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    previousHandler(type, context, message);
}

QMenu* openPopup() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

} // namespace

class TestLook : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowGeometry();
    void corners_data();
    void corners();
    void clientBackground_data();
    void clientBackground();
    void captionText_data();
    void captionText();
    void longCaptionStopsBeforeButtons();
    void captionIcon();
    void captionButtonImages_data();
    void captionButtonImages();
    void skinnedHeights_data();
    void skinnedHeights();
    void buttonKeepsLeadingBlank();
    void buttonKeys_data();
    void buttonKeys();
    void directionsLabel();
    void lengthLabelRepaints();
    void groupBoxCaption();
    void statusPaneEdges_data();
    void statusPaneEdges();
    void statusLineColour_data();
    void statusLineColour();
    void statusPaneText();
    void clockText_data();
    void clockText();
    void timeFormatHasSecondsNoZone_data();
    void timeFormatHasSecondsNoZone();

    void systemMenuOpens_data();
    void systemMenuOpens();
    void systemMenuItems_data();
    void systemMenuItems();
    void captionButtonsAct();
    void doubleClicks_data();
    void doubleClicks();
    void altF4Closes();
    void captionDragMovesWindow();

private:
    SkinFrame* frame() const { return form->findChild<SkinFrame*>(); }
    void activate(QWidget* w) {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }

    QTemporaryDir folder_;
    std::unique_ptr<TForm1> form;
};

void TestLook::initTestCase() {
    previousHandler = qInstallMessageHandler(dropMaskWarning);
    QVERIFY(folder_.isValid());
    Communal::SetProgramFolder(folder_.path());
}

void TestLook::init() {
    form = std::make_unique<TForm1>();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    activate(form.get());
}

void TestLook::cleanup() {
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    form.reset();
}

void TestLook::windowGeometry() {
    QCOMPARE(form->size(), QSize(566, 619));
    QCOMPARE(form->frameGeometry().size(), QSize(566, 619));
    QCOMPARE(form->minimumSize(), form->maximumSize()); // not resizable
    QVERIFY(form->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(form->Client()->geometry(), QRect(ClientOrigin, QSize(558, 588)));
    QCOMPARE(form->windowTitle(), QStringLiteral("Zorna Text to Image V1.10"));
    const QRect area = form->screen()->availableGeometry();
    QVERIFY(qAbs(form->frameGeometry().center().x() - area.center().x()) <= 1);
    QVERIFY(qAbs(form->frameGeometry().center().y() - area.center().y()) <= 1);
    const QList<QSize> sizes = form->windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
}

void TestLook::corners_data() {
    QTest::addColumn<QPoint>("corner");
    QTest::addColumn<QPoint>("inside");
    QTest::newRow("top left") << QPoint(0, 0) << QPoint(6, 6);
    QTest::newRow("top right") << QPoint(565, 0) << QPoint(559, 6);
    QTest::newRow("bottom left") << QPoint(0, 618) << QPoint(6, 612);
    QTest::newRow("bottom right") << QPoint(565, 618) << QPoint(559, 612);
}

void TestLook::corners() {
    QFETCH(QPoint, corner);
    QFETCH(QPoint, inside);
    const QRegion mask = form->mask();
    QVERIFY(!mask.contains(corner));
    QVERIFY(mask.contains(inside));
    // The edges' middles are window, only the corners are cut.
    QVERIFY(mask.contains(QPoint(corner.x(), 300)));
    QVERIFY(mask.contains(QPoint(283, corner.y())));
}

void TestLook::clientBackground_data() {
    QTest::addColumn<QPoint>("point"); // in client coordinates
    QTest::newRow("below the length label") << QPoint(10, 440);
    QTest::newRow("left of the buttons") << QPoint(5, 515);
    QTest::newRow("between the buttons") << QPoint(150, 515);
    QTest::newRow("above the status bar") << QPoint(200, 565);
    QTest::newRow("right of the directions") << QPoint(556, 50);
    QTest::newRow("under the group box's right") << QPoint(556, 560);
}

void TestLook::clientBackground() {
    QFETCH(QPoint, point);
    QCOMPARE(at(shot(form.get()), ClientOrigin + point), ClientBlue);
}

void TestLook::captionText_data() {
    QTest::addColumn<bool>("active");
    QTest::newRow("active") << true;
    QTest::newRow("inactive") << false;
}

void TestLook::captionText() {
    QFETCH(bool, active);
    QWidget other;
    if (!active) {
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        activate(&other);
    }
    QCOMPARE(form->isActiveWindow(), active);
    const QImage image = shot(form.get());
    const QRect text(21, 0, 495, 27);
    const QColor expected = active ? CaptionActive : CaptionInactive;
    const QColor other_ = active ? CaptionInactive : CaptionActive;
    QVERIFY2(countColour(image, text, expected) > 40, "caption text in its colour");
    QCOMPARE(countColour(image, text, other_), 0);
    QVERIFY2(countColour(image, text, Qt::white) > 40, "the white copy under it");
}

void TestLook::longCaptionStopsBeforeButtons() {
    form->setWindowTitle(QString(80, QLatin1Char('W')));
    const QImage image = shot(form.get());
    QVERIFY(countColour(image, QRect(21, 0, 495, 27), CaptionActive) > 40);
    QCOMPARE(countColour(image, QRect(515, 0, 4, 27), CaptionActive), 0); // the gap before Minimize
    const QFontMetrics fm(skin::Description::stored().font(QStringLiteral("Caption")));
    const QString shown = skin::elideWithDots(fm, form->windowTitle(), 100);
    QVERIFY(shown.endsWith(QStringLiteral("W...")));
    QVERIFY(fm.horizontalAdvance(shown) <= 100);
    QCOMPARE(skin::elideWithDots(fm, QStringLiteral("Zorna"), 100), QStringLiteral("Zorna"));
}

void TestLook::captionIcon() {
    const QImage image = shot(form.get());
    const QImage icon = QImage(QStringLiteral(":/skin/icons/zorna-text-to-image-16.png"))
                            .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(icon.size(), QSize(16, 16));
    int opaque = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (qAlpha(icon.pixel(x, y)) == 255) {
                ++opaque;
                QCOMPARE(image.pixel(5 + x, 5 + y), icon.pixel(x, y));
            }
    QVERIFY(opaque > 100);
}

void TestLook::captionButtonImages_data() {
    QTest::addColumn<bool>("minimize");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("minimize") << true << QRect(QPoint(519, 5), QPoint(539, 25));
    QTest::newRow("close") << false << QRect(QPoint(542, 5), QPoint(562, 25));
}

void TestLook::captionButtonImages() {
    QFETCH(bool, minimize);
    QFETCH(QRect, rect);
    SkinCaptionButton* button = minimize ? frame()->MinimizeButton() : frame()->CloseButton();
    QCOMPARE(button->geometry(), rect);
    QVERIFY(button->toolTip().isEmpty());
    QTest::mouseMove(form.get(), QPoint(300, 300));
    const QImage normal = shot(form.get());

    QTest::mouseMove(button);
    QTRY_VERIFY(button->underMouse());
    const QImage hover = shot(form.get());
    QCOMPARE(differingArea(normal, hover), rect);

    QTest::mousePress(button, Qt::LeftButton);
    const QImage pressed = shot(form.get());
    QCOMPARE(differingArea(normal, pressed), rect);
    QCOMPARE(differingArea(hover, pressed), rect);
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-30, 30)); // let go outside: no click
    QCOMPARE(clicked.count(), 0);
    QTest::mouseMove(form.get(), QPoint(300, 300));
    QTRY_COMPARE(shot(form.get()), normal);
}

void TestLook::skinnedHeights_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("topFree"); // nothing but background above it
    QTest::addColumn<bool>("bottomFree");
    QTest::newRow("BitBtn1") << "BitBtn1" << 22 << true << true;
    QTest::newRow("btn1") << "btn1" << 22 << true << true;
    QTest::newRow("BitBtn2") << "BitBtn2" << 22 << true << true;
    QTest::newRow("BitBtn3") << "BitBtn3" << 22 << true << true;
    QTest::newRow("lbl1") << "lbl1" << 19 << false << true;
    QTest::newRow("RzStatusBar1") << "RzStatusBar1" << 19 << true << false;
}

void TestLook::skinnedHeights() {
    QFETCH(QString, name);
    QFETCH(int, height);
    QFETCH(bool, topFree);
    QFETCH(bool, bottomFree);
    auto* w = form->findChild<QWidget*>(name);
    QVERIFY(w);
    const QRect before = w->geometry();
    QCOMPARE(before.height(), height);
    w->setGeometry(before.x(), before.y(), before.width(), height + 9); // a layout asks for more
    QCOMPARE(w->height(), height);

    // Down a column away from the text: the image's first and last rows differ from what lies
    // around it, and what lies around it is plain background.
    const QImage image = shot(form.get());
    const QPoint o = w->mapTo(form.get(), QPoint(w->width() / 2, 0));
    const auto px = [&](int dy) { return image.pixel(o.x(), o.y() + dy); };
    if (topFree) {
        QCOMPARE(px(-1), px(-2));
        QVERIFY(px(0) != px(-1));
    }
    if (bottomFree) {
        QCOMPARE(px(height), px(height + 1));
        QVERIFY(px(height - 1) != px(height));
    }
}

void TestLook::buttonKeepsLeadingBlank() {
    // The same caption with and without its leading blank, on buttons wide enough for both.
    TbsSkinButton plain(QStringLiteral("Start Conversion"), form->Client());
    TbsSkinButton blank(QStringLiteral(" Start Conversion"), form->Client());
    plain.setGeometry(0, 430, 200, 22);
    blank.setGeometry(0, 460, 200, 22);
    plain.show();
    blank.show();
    const QPair<int, int> a = inkColumns(shot(&plain), QRect(3, 3, 194, 16));
    const QPair<int, int> b = inkColumns(shot(&blank), QRect(3, 3, 194, 16));
    const QFontMetrics fm(skin::Description::stored().font(QStringLiteral("Button")));
    const int halfBlank = fm.horizontalAdvance(QLatin1Char(' ')) / 2;
    QVERIFY(halfBlank >= 1);
    QVERIFY2(qAbs(b.first - a.first - halfBlank) <= 1, "drawn shifted by half a blank");
    QVERIFY(qAbs(b.second - a.second - halfBlank) <= 1);
}

void TestLook::buttonKeys_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void TestLook::buttonKeys() {
    QFETCH(int, key);
    TbsSkinButton button(QStringLiteral("Press"), form->Client());
    button.setGeometry(10, 430, 92, 22);
    button.show();
    form->Memo1->setFocus();
    const QImage unfocused = shot(&button);
    button.setFocus(Qt::TabFocusReason);
    QVERIFY(button.hasFocus());
    QVERIFY2(shot(&button) != unfocused, "keyboard focus is visible");
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::keyClick(&button, Qt::Key(key));
    QCOMPARE(clicked.count(), 1);
}

void TestLook::directionsLabel() {
    // The platform's default face and size, not the form's, in black, wrapped, over the client.
    const QFontInfo shown(form->lbl2->font());
    const QFontInfo platform(QApplication::font());
    QCOMPARE(shown.family(), platform.family());
    QCOMPARE(shown.pixelSize(), platform.pixelSize());
    QCOMPARE(form->lbl2->palette().color(QPalette::WindowText), QColor(Qt::black));
    QVERIFY(form->lbl2->wordWrap());
    const QImage image = shot(form->lbl2);
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            darkest = qMin(darkest, qGray(image.pixel(x, y)));
    QVERIFY(darkest < 30);
}

void TestLook::lengthLabelRepaints() {
    QCOMPARE(form->lbl1->text(), QStringLiteral("The current length: 0"));
    const QImage before = shot(form->lbl1);
    QTest::keyClicks(form->Memo1, QStringLiteral("abcdefgh"));
    QCOMPARE(form->lbl1->text(), QStringLiteral("The current length:8"));
    const QImage after = shot(form->lbl1);
    QVERIFY(after != before);
    const QPair<int, int> ink = inkColumns(after, after.rect());
    QVERIFY2(ink.first >= 3 && ink.first <= 4, "text starts at x 3");
    int darkest = 255;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < 150; ++x)
            darkest = qMin(darkest, qGray(after.pixel(x, y)));
    QVERIFY2(darkest < 30, "black text");
}

void TestLook::groupBoxCaption() {
    QCOMPARE(form->grp1->size(), QSize(249, 73));
    const QImage image = shot(form->grp1);
    QRect ink;
    int exact = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < image.width(); ++x) {
            exact += image.pixelColor(x, y) == CaptionActive;
            if (qGray(image.pixel(x, y)) < 170)
                ink |= QRect(x, y, 1, 1);
        }
    QVERIFY2(exact > 0, "caption in its colour");
    QVERIFY2(qAbs(ink.center().x() - 124) <= 2, "centred across the box");
    QVERIFY2(ink.top() >= 0 && ink.bottom() <= 14, "in the band at the top");
    QVERIFY(qAbs((ink.top() + ink.bottom()) / 2 - 6) <= 2);
}

void TestLook::statusPaneEdges_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right"); // exclusive
    QTest::newRow("web site") << 0 << 169;
    QTest::newRow("clock") << 215 << 365;
    QTest::newRow("e-mail") << 365 << 558;
}

void TestLook::statusPaneEdges() {
    QFETCH(int, left);
    QFETCH(int, right);
    QPalette palette = form->RzStatusBar1->palette();
    palette.setColor(QPalette::Dark, QColor(160, 160, 160));
    palette.setColor(QPalette::Button, QColor(240, 240, 240));
    form->RzStatusBar1->setPalette(palette);
    const QColor bar(240, 240, 240);
    const QColor line(192, 192, 192);
    const QImage image = shot(form->RzStatusBar1);
    const int top = 0, bottom = 18;
    const int mid = 9;
    // The outer ring is the bar's colour.
    QCOMPARE(at(image, {left, mid}), bar);
    QCOMPARE(at(image, {right - 1, mid}), bar);
    QCOMPARE(at(image, {(left + right) / 2, top}), bar);
    QCOMPARE(at(image, {(left + right) / 2, bottom}), bar);
    // The line, one pixel in.
    QCOMPARE(at(image, {left + 1, mid}), line);
    QCOMPARE(at(image, {right - 2, mid}), line);
    QCOMPARE(at(image, {left + 2, top + 1}), line);
    QCOMPARE(at(image, {right - 3, bottom - 1}), line);
    // Its corner pixels left out.
    QCOMPARE(at(image, {left + 1, top + 1}), bar);
    QCOMPARE(at(image, {right - 2, top + 1}), bar);
    QCOMPARE(at(image, {left + 1, bottom - 1}), bar);
    QCOMPARE(at(image, {right - 2, bottom - 1}), bar);
    // Inside: the bar's colour; between the first two panes the bar is empty.
    QCOMPARE(at(image, {left + 3, top + 3}), bar);
    for (int x = 169; x < 215; ++x)
        QCOMPARE(at(image, {x, mid}), bar);
}

void TestLook::statusLineColour_data() {
    QTest::addColumn<QColor>("shadow");
    QTest::addColumn<QColor>("line");
    QTest::newRow("grey") << QColor(160, 160, 160) << QColor(192, 192, 192);
    QTest::newRow("dark red") << QColor(128, 0, 0) << QColor(191, 0, 0);
    QTest::newRow("black") << QColor(0, 0, 0) << QColor(32, 32, 32);
    QTest::newRow("clamped at white") << QColor(250, 250, 250) << QColor(255, 255, 255);
}

void TestLook::statusLineColour() {
    QFETCH(QColor, shadow);
    QFETCH(QColor, line);
    QPalette palette = form->RzStatusBar1->palette();
    palette.setColor(QPalette::Dark, shadow);
    form->RzStatusBar1->setPalette(palette);
    const QColor drawn = at(shot(form->RzStatusPane1), {1, 9});
    QVERIFY2(qAbs(drawn.red() - line.red()) <= 1 && qAbs(drawn.green() - line.green()) <= 1 &&
                 qAbs(drawn.blue() - line.blue()) <= 1,
             qPrintable(drawn.name()));
}

void TestLook::statusPaneText() {
    TRzStatusPane* pane = form->RzStatusPane2;
    QCOMPARE(pane->font().pixelSize(), 11); // the window's font
    const QImage image = shot(pane);
    const QPair<int, int> ink = inkColumns(image, QRect(2, 2, 165, 15), 128);
    QVERIFY2(ink.first >= 5 && ink.first <= 6, "text 5 pixels from the left");
    // A text longer than the pane is cut at its edge, not shortened with dots.
    pane->setText(QString(60, QLatin1Char('x')));
    const QImage cut = shot(pane);
    QVERIFY(inkColumns(cut, QRect(2, 2, 165, 15), 128).second >= 164);
}

void TestLook::clockText_data() {
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<bool>("timeShown");
    QTest::newRow("morning") << QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)) << true;
    QTest::newRow("one second past midnight")
        << QDateTime(QDate(2024, 3, 5), QTime(0, 0, 1)) << true;
    QTest::newRow("midnight") << QDateTime(QDate(2024, 3, 5), QTime(0, 0, 0)) << false;
    QTest::newRow("midnight, read 250 ms into it")
        << QDateTime(QDate(2026, 12, 12), QTime(0, 0, 0, 250)) << false;
}

void TestLook::clockText() {
    QFETCH(QDateTime, when);
    QFETCH(bool, timeShown);
    form->RzClockStatus1->SetClock([when] { return when; });
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    const QString text = form->RzClockStatus1->text();
    QVERIFY(text.startsWith(date));
    if (!timeShown) {
        QCOMPARE(text, date);
        return;
    }
    const QString time = text.mid(date.size() + 1);
    QCOMPARE(text.at(date.size()), QLatin1Char(' '));
    QVERIFY2(time.contains(QString::number(when.time().second()).rightJustified(2, u'0')),
             qPrintable(time));
    QCOMPARE(locale.toTime(time, TRzClockStatus::TimeFormat(locale)), when.time());
}

void TestLook::timeFormatHasSecondsNoZone_data() {
    QTest::addColumn<QString>("locale");
    for (const char* name : {"en_US", "de_DE", "zh_CN", "ja_JP", "fr_FR", "ko_KR", "ar_EG"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestLook::timeFormatHasSecondsNoZone() {
    QFETCH(QString, locale);
    const QLocale l(locale);
    const QString format = TRzClockStatus::TimeFormat(l);
    const QString shown = l.toString(QTime(15, 42, 37), format);
    QVERIFY2(shown.contains(l.toString(37)), qPrintable(shown));
    QVERIFY2(shown.contains(l.toString(42)), qPrintable(shown));
    QVERIFY2(!shown.contains(QLatin1String("UTC")) && !shown.contains(QLatin1String("GMT")) &&
                 !shown.contains(QLatin1Char('+')),
             qPrintable(shown));
    QCOMPARE(shown, shown.trimmed());
}

void TestLook::systemMenuOpens_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("left press on the icon") << "icon";
    QTest::newRow("right press on the caption band") << "band";
    QTest::newRow("Alt+Space") << "keys";
}

void TestLook::systemMenuOpens() {
    QFETCH(QString, how);
    SkinFrame* f = frame();
    QPoint expected = form->mapToGlobal(QPoint(5, 21));
    if (how == QLatin1String("icon")) {
        QTest::mousePress(f, Qt::LeftButton, {}, QPoint(12, 12));
    } else if (how == QLatin1String("band")) {
        QTest::mousePress(f, Qt::RightButton, {}, QPoint(260, 13));
        expected = form->mapToGlobal(QPoint(260, 13));
    } else {
        QTest::keyClick(form.get(), Qt::Key_Space, Qt::AltModifier);
    }
    QTRY_VERIFY(openPopup());
    QMenu* menu = openPopup();
    QCOMPARE(menu, f->SystemMenu());
    QCOMPARE(menu->pos(), expected);
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 3);
    QCOMPARE(actions[0]->text(), QStringLiteral("Mi&nimize"));
    QVERIFY(actions[1]->isSeparator());
    QCOMPARE(actions[2]->text(), QStringLiteral("&Close"));
    QCOMPARE(actions[2]->shortcut().toString(QKeySequence::NativeText), QStringLiteral("Alt+F4"));
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!openPopup());
    QVERIFY(form->isVisible());
}

void TestLook::systemMenuItems_data() {
    QTest::addColumn<int>("item");
    QTest::newRow("Minimize") << 0;
    QTest::newRow("Close") << 2;
}

void TestLook::systemMenuItems() {
    QFETCH(int, item);
    QTest::mousePress(frame(), Qt::LeftButton, {}, QPoint(12, 12));
    QTest::mouseRelease(frame(), Qt::LeftButton, {}, QPoint(12, 12));
    QTRY_VERIFY(openPopup());
    QMenu* menu = openPopup();
    const QPoint target = menu->actionGeometry(menu->actions()[item]).center();
    QTest::mouseMove(menu, target);
    QTest::mouseClick(menu, Qt::LeftButton, {}, target);
    QTRY_VERIFY(!openPopup());
    if (item == 0) {
        QTRY_VERIFY(form->isMinimized());
        QVERIFY(form->isVisible());
    } else {
        QTRY_VERIFY(!form->isVisible());
    }
}

void TestLook::captionButtonsAct() {
    QTest::mouseClick(frame()->MinimizeButton(), Qt::LeftButton);
    QTRY_VERIFY(form->isMinimized());
    form->showNormal(); // back from the task bar
    QTRY_VERIFY(!form->isMinimized());
    QTest::mouseClick(frame()->MinimizeButton(), Qt::LeftButton);
    QTRY_VERIFY(form->isMinimized());
    form->showNormal();

    // Close ends the program: the event loop returns.
    QTimer::singleShot(0, this,
                       [this] { QTest::mouseClick(frame()->CloseButton(), Qt::LeftButton); });
    QTimer watchdog;
    connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    watchdog.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!form->isVisible());
}

void TestLook::doubleClicks_data() {
    QTest::addColumn<QPoint>("where");
    QTest::addColumn<bool>("closes");
    QTest::newRow("icon") << QPoint(12, 12) << true;
    QTest::newRow("caption band") << QPoint(260, 13) << false;
}

void TestLook::doubleClicks() {
    QFETCH(QPoint, where);
    QFETCH(bool, closes);
    const QRect geometry = form->geometry();
    const Qt::WindowStates state = form->windowState();
    QTest::mouseDClick(frame(), Qt::LeftButton, {}, where);
    QTest::mouseRelease(frame(), Qt::LeftButton, {}, where);
    QCOMPARE(!form->isVisible(), closes);
    if (!closes) {
        QCOMPARE(form->geometry(), geometry);
        QCOMPARE(form->windowState(), state);
        QVERIFY(!openPopup());
    }
}

void TestLook::altF4Closes() {
    QTest::keyClick(form->Memo1, Qt::Key_F4, Qt::AltModifier);
    QVERIFY(!form->isVisible());
}

void TestLook::captionDragMovesWindow() {
    const QPoint start = form->pos();
    QTest::mousePress(frame(), Qt::LeftButton, {}, QPoint(260, 13));
    QTest::mouseMove(frame(), QPoint(260 + 37, 13 + 23));
    QTest::mouseRelease(frame(), Qt::LeftButton, {}, QPoint(260 + 37, 13 + 23));
    QTRY_COMPARE(form->pos(), start + QPoint(37, 23));
}

QTEST_MAIN(TestLook)
#include "tst_look.moc"
