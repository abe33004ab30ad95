// The choosers, boxes and system menu from the keyboard and for a screen reader, through the
// real window: Esc and Enter from every control, the accessibility tree, where the boxes stand,
// a long path shown whole, and what the system menu tells a screen reader.

#include "lib/application/dialogs.h"
#include "lib/look/controls.h"
#include "lib/look/skinframe.h"
#include "lib/picture/memo.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

using namespace testing;

namespace {

constexpr QChar ZeroWidthBreak(0x200B);

// Every control that can take the focus, in the dialog's focus order.
QWidgetList focusableControls(QWidget* dialog) {
    QWidgetList controls;
    for (QWidget* w = dialog->nextInFocusChain(); w && w != dialog; w = w->nextInFocusChain())
        if (w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus && !w->focusProxy())
            controls.append(w);
    return controls;
}

QString describe(QWidget* w) {
    QString name = QString::fromLatin1(w->metaObject()->className());
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        name += QStringLiteral(" \"%1\"").arg(button->text());
    if (!w->accessibleName().isEmpty())
        name += QStringLiteral(" (%1)").arg(w->accessibleName());
    return name;
}

// The interfaces under iface whose widget is not on screen. A combo box's drop-down list is
// left out: it is the combo box's own, shown when it opens.
void collectHidden(QAccessibleInterface* iface, QStringList& hidden, int& buttons) {
    if (!iface)
        return;
    if (auto* w = qobject_cast<QWidget*>(iface->object())) {
        if (!w->isVisible())
            hidden << describe(w);
        if (iface->role() == QAccessible::Button)
            ++buttons;
    }
    if (iface->role() == QAccessible::ComboBox)
        return;
    for (int i = 0; i < iface->childCount(); ++i)
        collectHidden(iface->child(i), hidden, buttons);
}

// A failed check inside a modal's handler returns early; the modal must still close.
auto closedAfterwards(QWidget* modal) {
    return qScopeGuard([modal] {
        if (modal->isVisible())
            static_cast<QDialog*>(modal)->reject();
    });
}

struct Seen {
    QAccessible::Event type;
    int child;
    QString name;
};
std::vector<Seen>* spied = nullptr;
QObject* spiedObject = nullptr;
void spy(QAccessibleEvent* event) {
    if (spied && event->object() == spiedObject) {
        QAccessibleInterface* iface = event->accessibleInterface();
        spied->push_back(
            {event->type(), event->child(), iface ? iface->text(QAccessible::Name) : QString()});
    }
}

} // namespace

class BoxesTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    std::unique_ptr<TForm1> form_;

    // Opens the box or chooser named by which through the window and hands it to respond.
    std::vector<SeenBox> open(const QString& which, const std::function<void(QWidget*)>& respond) {
        if (which == QLatin1String("font chooser"))
            return whileClosingModals([&] { QTest::mouseClick(form_->BitBtn2, Qt::LeftButton); },
                                      respond);
        if (which == QLatin1String("colour chooser"))
            return whileClosingModals([&] { QTest::mouseClick(form_->BitBtn3, Qt::LeftButton); },
                                      respond);
        if (which == QLatin1String("too long"))
            form_->Memo1->SetText(QString(TForm1::MaxTextLength + 1, QLatin1Char('a')));
        else
            form_->Memo1->SetText(QStringLiteral("text"));
        return whileClosingModals([&] { QTest::mouseClick(form_->BitBtn1, Qt::LeftButton); },
                                  respond);
    }

    // The window opened on a program folder of that name, whose output folder is then replaced
    // by a plain file: the conversion cannot create its picture.
    bool openBlocked(const QString& name) {
        const QString folder = root_.filePath(name) + QLatin1Char('/');
        if (!QDir().mkpath(folder))
            return false;
        form_ = openMainWindow(folder);
        if (!form_ || !QDir(folder + QStringLiteral("Pic")).removeRecursively())
            return false;
        QFile file(folder + QStringLiteral("Pic"));
        return file.open(QIODevice::WriteOnly);
    }

private slots:
    void initTestCase() {
        startLikeTheProgram();
        QVERIFY(root_.isValid());
    }
    void init() {
        form_ = openMainWindow(root_.path() + QLatin1Char('/'));
        QVERIFY(form_);
    }
    void cleanup() {
        form_.reset();
        QTRY_VERIFY(!QApplication::activeModalWidget());
    }

    void choosersTakeEscAndEnter_data() {
        QTest::addColumn<QString>("chooser");
        QTest::addColumn<int>("key");
        QTest::newRow("font chooser, Esc") << "font chooser" << int(Qt::Key_Escape);
        QTest::newRow("font chooser, Enter") << "font chooser" << int(Qt::Key_Return);
        QTest::newRow("font chooser, keypad Enter") << "font chooser" << int(Qt::Key_Enter);
        QTest::newRow("colour chooser, Esc") << "colour chooser" << int(Qt::Key_Escape);
        QTest::newRow("colour chooser, Enter") << "colour chooser" << int(Qt::Key_Return);
    }
    // From each control in turn: Esc cancels, Enter confirms as OK does; a focused button other
    // than OK takes Enter as its own press. The chooser never loses a part of itself on the way.
    void choosersTakeEscAndEnter() {
        QFETCH(QString, chooser);
        QFETCH(int, key);
        const bool font = chooser == QLatin1String("font chooser");
        TMemo* memo = form_->Memo1;
        const QFont baseFont = memo->font();
        const QColor baseColor = memo->Color();
        const QString chosenFamily = QStringLiteral("DejaVu Serif");
        const QColor chosenColor(200, 220, 240);

        int controls = -1;
        for (int i = 0; controls < 0 || i < controls; ++i) {
            memo->setFont(baseFont);
            memo->SetColor(baseColor);
            QString control;
            bool expectConfirm = false;
            bool closedByKey = false;
            QStringList lostParts;
            const auto seen = open(chooser, [&](QWidget* modal) {
                const auto close = closedAfterwards(modal);
                auto* dialog = static_cast<QDialog*>(modal);
                if (auto* fonts = qobject_cast<QFontDialog*>(modal))
                    fonts->setCurrentFont(QFont(chosenFamily, 20));
                else if (auto* colors = qobject_cast<QColorDialog*>(modal))
                    colors->setCurrentColor(chosenColor);
                const QWidgetList list = focusableControls(modal);
                if (controls < 0)
                    controls = int(list.size());
                if (i >= list.size()) {
                    dialog->reject();
                    return;
                }
                QWidgetList shownBefore;
                for (QWidget* w : modal->findChildren<QWidget*>())
                    if (w->isVisibleTo(modal) && !w->isWindow())
                        shownBefore << w;
                QWidget* target = list.at(i);
                control = describe(target);
                target->setFocus(Qt::TabFocusReason);
                auto* buttons = modal->findChild<QDialogButtonBox*>();
                QAbstractButton* ok = buttons ? buttons->button(QDialogButtonBox::Ok) : nullptr;
                QAbstractButton* cancel =
                    buttons ? buttons->button(QDialogButtonBox::Cancel) : nullptr;
                const bool otherButton =
                    qobject_cast<QPushButton*>(target) && target != ok && target != cancel;
                expectConfirm = key != Qt::Key_Escape && target != cancel && !otherButton;
                const bool expectOpen = key != Qt::Key_Escape && otherButton;

                QTest::keyClick(target, Qt::Key(key),
                                key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
                closedByKey = !modal->isVisible();
                if (!closedByKey) {
                    for (QWidget* w : shownBefore)
                        if (!w->isVisibleTo(modal) &&
                            !w->objectName().startsWith(QLatin1String("qt_scrollarea")))
                            lostParts << describe(w);
                }
                if (expectOpen && !closedByKey) {
                    closedByKey = true; // the button kept the key, as it should
                    for (int n = 0; n < 3 && modal->isVisible(); ++n)
                        QTest::keyClick(modal, Qt::Key_Escape);
                }
                if (modal->isVisible())
                    dialog->reject();
            });
            QCOMPARE(seen.size(), size_t(1));
            if (i >= controls)
                break;
            QVERIFY2(closedByKey, qPrintable(QStringLiteral("stayed open: ") + control));
            QVERIFY2(lostParts.isEmpty(), qPrintable(control + QStringLiteral(" hid ") +
                                                     lostParts.join(QStringLiteral(", "))));
            if (font) {
                QVERIFY2((memo->font().family() == chosenFamily) == expectConfirm,
                         qPrintable(control));
                if (!expectConfirm)
                    QCOMPARE(memo->font(), baseFont);
            } else {
                QVERIFY2((memo->Color() == chosenColor) == expectConfirm, qPrintable(control));
                if (!expectConfirm)
                    QCOMPARE(memo->Color(), baseColor);
            }
        }
        QVERIFY(controls > 5);
    }

    // An open drop-down list keeps Enter for its own choice; the next Enter confirms.
    void openDropDownKeepsEnter() {
        int picked = -1;
        const auto seen = open(QStringLiteral("font chooser"), [&](QWidget* modal) {
            const auto close = closedAfterwards(modal);
            auto* colors = modal->findChild<QComboBox*>(QStringLiteral("FontChooserColor"));
            QVERIFY(colors);
            colors->setCurrentIndex(0);
            colors->setFocus(Qt::TabFocusReason);
            colors->showPopup();
            QTRY_VERIFY(colors->view()->isVisible());
            QTest::keyClick(colors->view(), Qt::Key_Down);
            QTest::keyClick(colors->view(), Qt::Key_Down);
            QTest::keyClick(colors->view(), Qt::Key_Return);
            QTRY_VERIFY(!colors->view()->isVisible());
            QVERIFY(modal->isVisible());
            picked = colors->currentIndex();
            QTest::keyClick(colors, Qt::Key_Return);
            QVERIFY(!modal->isVisible());
        });
        QCOMPARE(seen.size(), size_t(1));
        QCOMPARE(picked, 2);
        QCOMPARE(form_->Memo1->FontColor(), QColor(0, 128, 0)); // the third: green
    }

    void onlyShownControlsAreRead_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<int>("buttons");
        QTest::newRow("font chooser") << "font chooser" << 2;
        QTest::newRow("colour chooser") << "colour chooser" << 4;
        QTest::newRow("too long") << "too long" << 1;
        QTest::newRow("confirmation") << "confirmation" << 1;
        QTest::newRow("exception box") << "exception box" << 1;
    }
    void onlyShownControlsAreRead() {
        QFETCH(QString, which);
        QFETCH(int, buttons);
        if (which == QLatin1String("exception box"))
            QVERIFY(openBlocked(QStringLiteral("blocked")));
        QStringList hidden;
        int seenButtons = 0;
        const auto seen = open(which, [&](QWidget* modal) {
            const auto close = closedAfterwards(modal);
            collectHidden(QAccessible::queryAccessibleInterface(modal), hidden, seenButtons);
            static_cast<QDialog*>(modal)->reject();
        });
        QCOMPARE(seen.size(), size_t(1));
        if (which == QLatin1String("exception box"))
            QCOMPARE(seen.front().objectName, QStringLiteral("ExceptionBox"));
        QVERIFY2(hidden.isEmpty(), qPrintable(hidden.join(QStringLiteral(", "))));
        QCOMPARE(seenButtons, buttons);
    }

    void messageBoxesCentred_data() {
        QTest::addColumn<QString>("which");
        QTest::newRow("too long") << "too long";
        QTest::newRow("confirmation") << "confirmation";
    }
    void messageBoxesCentred() {
        QFETCH(QString, which);
        QRect box, screen;
        const auto seen = open(which, [&](QWidget* modal) {
            const auto close = closedAfterwards(modal);
            box = modal->frameGeometry();
            screen = modal->screen()->geometry();
            static_cast<QDialog*>(modal)->accept();
        });
        QCOMPARE(seen.size(), size_t(1));
        QCOMPARE(seen.front().objectName, QStringLiteral("ShowMessage"));
        // Twice the centres, so that an odd size is not rounded away.
        QVERIFY2(qAbs(2 * box.x() + box.width() - (2 * screen.x() + screen.width())) <= 1,
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(box.x())
                                .arg(box.y())
                                .arg(box.width())
                                .arg(box.height())));
        QVERIFY(qAbs(2 * box.y() + box.height() - (2 * screen.y() + screen.height())) <= 1);
    }

    // A folder name of 200 characters without a break: the box keeps to about half the screen's
    // width, breaks inside the name only, shows every character, and copies the path as it is.
    void longPathShownWhole() {
        const QString name(200, QLatin1Char('x'));
        QVERIFY(openBlocked(name));
        const QString folder = root_.filePath(name) + QLatin1Char('/');
        QString shown, copied;
        QRect box, screen, label;
        int labelWidth = 0, narrowest = 0, needed = 0, height = 0;
        const auto seen = open(QStringLiteral("exception box"), [&](QWidget* modal) {
            const auto close = closedAfterwards(modal);
            auto* mb = qobject_cast<QMessageBox*>(modal);
            QVERIFY(mb);
            auto* text = mb->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(text);
            shown = mb->text();
            box = mb->frameGeometry();
            screen = mb->screen()->geometry();
            label = QRect(text->mapTo(mb, QPoint(0, 0)), text->size());
            labelWidth = text->contentsRect().width();
            narrowest = text->minimumSizeHint().width();
            needed = text->heightForWidth(text->width());
            height = text->height();
            QTest::keyClick(mb, Qt::Key_C, Qt::ControlModifier);
            copied = QGuiApplication::clipboard()->text();
            mb->accept();
        });
        QCOMPARE(seen.size(), size_t(1));
        QCOMPARE(seen.front().icon, QMessageBox::Critical);
        const QString message = QString(shown).remove(ZeroWidthBreak);
        QVERIFY2(message.startsWith(QStringLiteral("Cannot create file \"") + folder + "Pic/"),
                 qPrintable(message));
        // Breaks only inside the long name.
        QVERIFY(shown.contains(ZeroWidthBreak));
        for (qsizetype i = shown.indexOf(ZeroWidthBreak); i >= 0;
             i = shown.indexOf(ZeroWidthBreak, i + 1))
            QVERIFY2(shown.at(i - 1) == QLatin1Char('x') && shown.at(i + 1) == QLatin1Char('x'),
                     qPrintable(shown));
        // The whole text inside the label, the label inside the box, the box on the screen.
        QVERIFY2(narrowest <= labelWidth,
                 qPrintable(QStringLiteral("%1 > %2").arg(narrowest).arg(labelWidth)));
        QVERIFY2(needed <= height, qPrintable(QStringLiteral("%1 > %2").arg(needed).arg(height)));
        QVERIFY(QRect(QPoint(0, 0), box.size()).contains(label));
        QVERIFY(screen.contains(box));
        QVERIFY2(box.width() <= screen.width() / 2 + 8, qPrintable(QString::number(box.width())));
        QVERIFY(box.width() >= screen.width() / 3);
        if (!copied.isEmpty()) {
            QVERIFY(copied.contains(message));
            QVERIFY(!copied.contains(ZeroWidthBreak));
        }
    }

    // Moving through the system menu with the arrow keys tells a screen reader which item is
    // highlighted, as any menu does.
    void systemMenuTellsItsItems() {
        QPlatformAccessibility* platform =
            QGuiApplicationPrivate::platformIntegration()->accessibility();
        if (!platform)
            QSKIP("no accessibility on this platform");
        platform->setActive(true);
        std::vector<Seen> events;
        SkinFrame* frame = form_->findChild<SkinFrame*>();
        QVERIFY(frame);
        spied = &events;
        spiedObject = frame->SystemMenu();
        const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(spy);

        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QTest::keyClick(form_.get(), Qt::Key_Space, Qt::AltModifier);
        QTRY_VERIFY(frame->SystemMenu()->isVisible());
        QMenu* menu = frame->SystemMenu();
        for (Qt::Key k : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
            QTest::keyClick(menu, k);
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!menu->isVisible());

        QAccessible::installUpdateHandler(previous);
        spied = nullptr;
        platform->setActive(false);
        QStringList focused;
        bool started = false, ended = false;
        for (const Seen& e : events) {
            started |= e.type == QAccessible::PopupMenuStart;
            ended |= e.type == QAccessible::PopupMenuEnd;
            if (e.type == QAccessible::Focus && e.child >= 0)
                focused << QStringLiteral("%1 %2").arg(e.child).arg(e.name);
        }
        QVERIFY(started);
        QVERIFY(ended);
        QCOMPARE(focused, QStringList({QStringLiteral("0 Minimize"), QStringLiteral("2 Close"),
                                       QStringLiteral("0 Minimize")}));
    }
};

QTEST_MAIN(BoxesTest)
#include "tst_boxes.moc"
