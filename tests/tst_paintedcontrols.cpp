#include "ui/ButtonHoverComplex.h"
#include "ui/ButtonHoverSimple.h"
#include "ui/ButtonSettingsSaved.h"
#include "ui/ButtonStyling.h"
#include "ui/HoverButton.h"
#include "ui/Opacity.h"
#include "ui/ViewBackgroundTree.h"
#include "ui/ViewButtonBar.h"
#include "ui/ViewButtonGrayBar.h"
#include "ui/ViewSettingsSaved.h"
#include "ui/ViewTopBar.h"
#include "ui/ViewTransparent.h"
#include "ui/WIndowsLikeButton.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <functional>

using WidgetFactory = std::function<QWidget*()>;
Q_DECLARE_METATYPE(WidgetFactory)

namespace {

QImage renderOf(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

// Gradients and antialiasing may round a component by one or two.
bool near(const QColor& actual, const QColor& expected, int tolerance = 2)
{
    return qAbs(actual.red() - expected.red()) <= tolerance &&
           qAbs(actual.green() - expected.green()) <= tolerance &&
           qAbs(actual.blue() - expected.blue()) <= tolerance;
}

#define QCOMPARE_COLOR(image, x, y, expected)                                                                \
    do {                                                                                                     \
        const QColor actual_ = (image).pixelColor((x), (y));                                                 \
        if (!near(actual_, (expected)))                                                                      \
            QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3, expected %4")                             \
                                 .arg(x)                                                                     \
                                 .arg(y)                                                                     \
                                 .arg(actual_.name(), QColor(expected).name())));                            \
    } while (false)

void enter(QWidget& widget)
{
    const QPointF inside(widget.width() / 2.0, widget.height() / 2.0);
    QEnterEvent event(inside, inside, widget.mapToGlobal(inside));
    QCoreApplication::sendEvent(&widget, &event);
}

void leave(QWidget& widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &event);
}

QIcon solid(const QSize& size, const QColor& color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return QIcon(pixmap);
}

bool showsCursor(const QWidget& widget, Qt::CursorShape shape)
{
    return widget.testAttribute(Qt::WA_SetCursor) && widget.cursor().shape() == shape;
}

} // namespace

class TstPaintedControls : public QObject
{
    Q_OBJECT

private slots:
    void barsFillWithTheirColour_data();
    void barsFillWithTheirColour();
    void settingsPanelBandsAndBorder();
    void settingsButtonLooksFollowHover();
    void settingsButtonCursorNeedsAnUncoveredOverlay();
    void overlaysCountOnlyOthers();
    void overlayPaintsAtHalfAlpha();
    void simpleButtonSwapsImagesOnlyWhenEnabled();
    void complexButtonIconIs110Wide_data();
    void complexButtonIconIs110Wide();
    void flatButtonsFadeAndForbid();
    void windowsLikeButtonKeepsItsTealAndWhiteBorder();
    void centerAttributesUnderlineOnlyWhenAsked_data();
    void centerAttributesUnderlineOnlyWhenAsked();
    void plainButtonTakesTheAttributes();
    void paintedButtonsWorkFromTheKeyboard_data();
    void paintedButtonsWorkFromTheKeyboard();
};

void TstPaintedControls::barsFillWithTheirColour_data()
{
    QTest::addColumn<WidgetFactory>("make");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("top bar") << WidgetFactory([] { return new ViewTopBar; }) << QColor(31, 100, 134);
    QTest::newRow("tree backdrop") << WidgetFactory([] { return new ViewBackgroundTree; })
                                   << QColor(0, 155, 178);
    QTest::newRow("grey bar") << WidgetFactory([] { return new ViewButtonGrayBar; }) << QColor(193, 193, 193);
    QTest::newRow("button bar") << WidgetFactory([] { return new ViewButtonBar; }) << QColor(Qt::white);
}

void TstPaintedControls::barsFillWithTheirColour()
{
    QFETCH(WidgetFactory, make);
    QFETCH(QColor, colour);
    std::unique_ptr<QWidget> bar(make());
    bar->resize(120, 40);
    const QImage image = renderOf(*bar);
    QCOMPARE_COLOR(image, 0, 0, colour);
    QCOMPARE_COLOR(image, 60, 20, colour);
    QCOMPARE_COLOR(image, 119, 39, colour);
}

void TstPaintedControls::settingsPanelBandsAndBorder()
{
    ViewSettingsSaved panel;
    panel.resize(200, 150);
    const QImage image = renderOf(panel);
    const QColor border(80, 148, 184);
    const QColor topBand(105, 193, 243);
    const QColor bottomBand(223, 223, 223); // mid grey three quarters towards white
    QCOMPARE_COLOR(image, 0, 75, border);
    QCOMPARE_COLOR(image, 199, 75, border);
    QCOMPARE_COLOR(image, 100, 0, border);
    QCOMPARE_COLOR(image, 100, 149, border);
    QCOMPARE_COLOR(image, 100, 1, topBand);
    QCOMPARE_COLOR(image, 100, 25, topBand);
    QCOMPARE_COLOR(image, 100, 26, Qt::white);
    QCOMPARE_COLOR(image, 100, 103, Qt::white);
    QCOMPARE_COLOR(image, 100, 104, bottomBand);
    QCOMPARE_COLOR(image, 1, 148, bottomBand);
}

void TstPaintedControls::settingsButtonLooksFollowHover()
{
    ButtonSettingsSaved button;
    button.setTitle(QStringLiteral("Saved"));
    button.resize(120, 40);
    // The gradient runs from the base colour at the bottom to half of it over white at the top.
    const auto overWhite = [](const QColor& c, double alpha) {
        return QColor::fromRgbF(c.redF() * alpha + (1 - alpha), c.greenF() * alpha + (1 - alpha),
                                c.blueF() * alpha + (1 - alpha));
    };

    QImage image = renderOf(button);
    QVERIFY(!button.hovering());
    QCOMPARE_COLOR(image, 0, 20, QColor(53, 152, 252));
    QCOMPARE_COLOR(image, 60, 0, QColor(53, 152, 252));
    QCOMPARE_COLOR(image, 4, 38, QColor(223, 223, 223));
    QCOMPARE_COLOR(image, 4, 1, overWhite(QColor(223, 223, 223), 0.5));

    enter(button);
    QVERIFY(button.hovering());
    image = renderOf(button);
    QCOMPARE_COLOR(image, 0, 20, QColor(126, 180, 234));
    QCOMPARE_COLOR(image, 4, 38, QColor(221, 237, 252));
    QCOMPARE_COLOR(image, 4, 1, overWhite(QColor(221, 237, 252), 0.5));

    leave(button);
    QVERIFY(!button.hovering());
    QCOMPARE_COLOR(renderOf(button), 0, 20, QColor(53, 152, 252));
}

void TstPaintedControls::settingsButtonCursorNeedsAnUncoveredOverlay()
{
    QWidget window;
    window.resize(300, 200);
    ButtonSettingsSaved button(&window);
    QVERIFY(!button.testAttribute(Qt::WA_SetCursor));
    enter(button);
    QVERIFY(!button.testAttribute(Qt::WA_SetCursor));

    auto* overlay = new ViewTransparent(&window);
    button.setViewTransparent(overlay);
    QVERIFY(showsCursor(button, Qt::PointingHandCursor));

    // Another cover on top takes the hand away until it goes.
    auto* second = new ViewTransparent(&window);
    QCOMPARE(overlay->viewsOverlaidCount(), 1);
    QVERIFY(!button.testAttribute(Qt::WA_SetCursor));
    second->postRemovedNotification();
    delete second;
    QCOMPARE(overlay->viewsOverlaidCount(), 0);
    QVERIFY(showsCursor(button, Qt::PointingHandCursor));

    button.setViewTransparent(nullptr);
    QVERIFY(!button.testAttribute(Qt::WA_SetCursor));
}

void TstPaintedControls::overlaysCountOnlyOthers()
{
    QWidget window;
    window.resize(300, 200);
    QWidget elsewhere;
    elsewhere.resize(300, 200);

    auto* watcher = new ViewTransparent(&elsewhere);
    QCOMPARE(watcher->viewsOverlaidCount(), 0);
    watcher->postRemovedNotification();
    QCOMPARE(watcher->viewsOverlaidCount(), 0);

    auto* first = new ViewTransparent(&window);
    auto* second = new ViewTransparent(&window);
    QCOMPARE(watcher->viewsOverlaidCount(), 2);
    QCOMPARE(first->viewsOverlaidCount(), 1);
    QCOMPARE(second->viewsOverlaidCount(), 0);
    QCOMPARE(first->geometry(), window.rect());

    ViewTransparent::removeFirst(&window);
    QCOMPARE(watcher->viewsOverlaidCount(), 1);
    QCOMPARE(window.findChildren<ViewTransparent*>().size(), 1);
    ViewTransparent::removeAll(&window);
    QCOMPARE(watcher->viewsOverlaidCount(), 0);
    QVERIFY(!window.findChild<ViewTransparent*>());

    // A destroyed cover hears nothing more.
    QPointer<ViewTransparent> gone(second);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!gone);
    auto* late = new ViewTransparent(&window);
    QCOMPARE(watcher->viewsOverlaidCount(), 1);
    QCOMPARE(late->viewsOverlaidCount(), 0);
}

void TstPaintedControls::overlayPaintsAtHalfAlpha()
{
    QWidget window;
    window.resize(100, 80);
    window.setStyleSheet(
        QStringLiteral("QWidget { background: white; } ViewTransparent { background: black; }"));
    window.setAttribute(Qt::WA_StyledBackground);
    new ViewTransparent(&window);
    QCOMPARE_COLOR(window.grab().toImage(), 50, 40, QColor(128, 128, 128));
}

void TstPaintedControls::simpleButtonSwapsImagesOnlyWhenEnabled()
{
    const QIcon normal = solid({24, 24}, Qt::blue);
    const QIcon hover = solid({24, 24}, Qt::green);
    const QIcon disabled = solid({24, 24}, Qt::gray);
    const QIcon onClick = solid({24, 24}, Qt::red);

    ButtonHoverSimple button;
    QCOMPARE(button.buttonID(), 0);
    QVERIFY(!button.hovering());
    button.resize(24, 24);
    button.setImageNormal(normal, hover, disabled, onClick);
    QCOMPARE(button.image().cacheKey(), normal.cacheKey());
    QCOMPARE_COLOR(renderOf(button), 12, 12, QColor(Qt::blue));

    enter(button);
    QVERIFY(button.hovering());
    QCOMPARE(button.image().cacheKey(), hover.cacheKey());
    QVERIFY(showsCursor(button, Qt::PointingHandCursor));
    QCOMPARE_COLOR(renderOf(button), 12, 12, QColor(Qt::green));

    // Without the reset flag the hover image stays after the mouse leaves.
    leave(button);
    QVERIFY(!button.hovering());
    QCOMPARE(button.image().cacheKey(), hover.cacheKey());
    button.setResetImageWhenNotHovering(true);
    enter(button);
    leave(button);
    QCOMPARE(button.image().cacheKey(), normal.cacheKey());
    enter(button);
    button.resetButton();
    QVERIFY(!button.hovering());
    QCOMPARE(button.image().cacheKey(), normal.cacheKey());

    ButtonHoverSimple off;
    off.setImageNormal(normal, hover, disabled, onClick);
    off.setResetImageWhenNotHovering(true);
    off.setEnabled(false);
    enter(off);
    QVERIFY(off.hovering());
    QCOMPARE(off.image().cacheKey(), normal.cacheKey());
    QVERIFY(!off.testAttribute(Qt::WA_SetCursor));
    off.setImage(hover);
    leave(off);
    QCOMPARE(off.image().cacheKey(), hover.cacheKey());
}

void TstPaintedControls::complexButtonIconIs110Wide_data()
{
    QTest::addColumn<QIcon>("icon");
    QTest::addColumn<QSize>("drawn");
    QTest::newRow("small square, stretched") << solid({40, 40}, Qt::red) << QSize(110, 110);
    QTest::newRow("110 wide, kept") << solid({110, 60}, Qt::red) << QSize(110, 60);
    QTest::newRow("large, squeezed") << solid({300, 200}, Qt::red) << QSize(110, 110);
    QPixmap sharp(220, 220);
    sharp.fill(Qt::red);
    sharp.setDevicePixelRatio(2);
    QTest::newRow("110 points at 2x") << QIcon(sharp) << QSize(110, 110);
}

void TstPaintedControls::complexButtonIconIs110Wide()
{
    QFETCH(QIcon, icon);
    QFETCH(QSize, drawn);
    ButtonHoverComplex tile;
    tile.resize(200, 200);
    tile.setFillColor(Qt::blue);
    tile.setImageNormal(icon, QIcon());
    QCOMPARE(tile.iconPixmap(1.0).deviceIndependentSize().toSize(), drawn);
    QCOMPARE(tile.iconPixmap(2.0).deviceIndependentSize().toSize(), drawn);

    // Centred in the tile less 10 on each side: the centre is (100, 100).
    const QImage image = renderOf(tile);
    const int left = 100 - drawn.width() / 2;
    const int top = 100 - drawn.height() / 2;
    QCOMPARE_COLOR(image, left + 1, top + 1, QColor(Qt::red));
    QCOMPARE_COLOR(image, left + drawn.width() - 2, top + drawn.height() - 2, QColor(Qt::red));
    QCOMPARE_COLOR(image, left - 2, 100, QColor(Qt::blue));
    QCOMPARE_COLOR(image, left + drawn.width() + 1, 100, QColor(Qt::blue));
    QCOMPARE_COLOR(image, 100, top - 2, QColor(Qt::blue));
    QCOMPARE_COLOR(image, 100, top + drawn.height() + 1, QColor(Qt::blue));
}

void TstPaintedControls::flatButtonsFadeAndForbid()
{
    HoverButton button;
    enter(button);
    QCOMPARE(Opacity::of(&button), 0.7);
    QVERIFY(showsCursor(button, Qt::PointingHandCursor));
    leave(button);
    QCOMPARE(Opacity::of(&button), 1.0);

    HoverButton off;
    off.setEnabled(false);
    enter(off);
    QCOMPARE(Opacity::of(&off), 1.0);
    QVERIFY(showsCursor(off, Qt::ForbiddenCursor));
    leave(off);
    QVERIFY(showsCursor(off, Qt::ForbiddenCursor));

    ButtonHoverComplex tile;
    enter(tile);
    QCOMPARE(Opacity::of(&tile), 0.8);
    QVERIFY(tile.hovering());
    QVERIFY(showsCursor(tile, Qt::PointingHandCursor));
    leave(tile);
    QCOMPARE(Opacity::of(&tile), 1.0);
}

void TstPaintedControls::windowsLikeButtonKeepsItsTealAndWhiteBorder()
{
    const QVariantMap detail{{QStringLiteral("Title"), QStringLiteral("Scan")},
                             {QStringLiteral("TitleColor"), QColor(Qt::white)},
                             {QStringLiteral("Font"), 14}};
    HoverButton plain;
    plain.resize(100, 30);
    plain.setButtonAtrribute(0, QColor(200, 30, 40), detail);
    QCOMPARE(plain.attributedTitle().text(), QStringLiteral("Scan"));
    QCOMPARE(plain.text(), QStringLiteral("Scan"));
    // The pages change the words by setText alone; the style stays.
    plain.setText(QStringLiteral("Resume"));
    QCOMPARE(plain.attributedTitle().color(), QColor(Qt::white));
    QCOMPARE_COLOR(renderOf(plain), 3, 3, QColor(200, 30, 40));

    WIndowsLikeButton windows;
    windows.resize(100, 30);
    ButtonStyling::setButtonAtrribute(&windows, 0, QColor(200, 30, 40), detail);
    const QImage image = renderOf(windows);
    QCOMPARE_COLOR(image, 0, 15, QColor(Qt::white));
    QCOMPARE_COLOR(image, 1, 15, QColor(Qt::white));
    QCOMPARE_COLOR(image, 50, 0, QColor(Qt::white));
    QCOMPARE_COLOR(image, 3, 15, QColor(0, 155, 178));
    QCOMPARE_COLOR(image, 50, 28, QColor(Qt::white));
}

void TstPaintedControls::centerAttributesUnderlineOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("underline");
    QTest::addColumn<int>("alignment");
    QTest::newRow("underlined, left") << true << int(Qt::AlignLeft);
    QTest::newRow("plain, right") << false << int(Qt::AlignRight);
}

void TstPaintedControls::centerAttributesUnderlineOnlyWhenAsked()
{
    QFETCH(bool, underline);
    QFETCH(int, alignment);
    const AttributedTitle title = ButtonStyling::setCenterAttributes(
        QColor(10, 20, 30), QStringLiteral("Stop"), 15, underline, Qt::Alignment(alignment));
    QCOMPARE(title.font().underline(), underline);
    QCOMPARE(int(title.alignment()), alignment);
    QCOMPARE(title.font().pixelSize(), 15);
    QCOMPARE(title.color(), QColor(10, 20, 30));

    const AttributedTitle centred = ButtonStyling::setCenterAttributes(Qt::black, QStringLiteral("Stop"), 13);
    QVERIFY(!centred.font().underline());
    QCOMPARE(centred.alignment(), Qt::AlignHCenter);

    // A plain button shows the underline through its own style sheet.
    QPushButton button;
    ButtonStyling::setAttributedTitle(&button, title);
    button.ensurePolished();
    QCOMPARE(button.text(), QStringLiteral("Stop"));
    QCOMPARE(button.font().underline(), underline);
}

void TstPaintedControls::plainButtonTakesTheAttributes()
{
    QPushButton button;
    button.resize(120, 32);
    ButtonStyling::setButtonAtrribute(&button, 3, QColor(21, 138, 162),
                                      {{QStringLiteral("Title"), QStringLiteral("Home")},
                                       {QStringLiteral("TitleColor"), QColor(Qt::white)},
                                       {QStringLiteral("Font"), 16}});
    QCOMPARE(button.text(), QStringLiteral("Home"));
    button.ensurePolished();
    QCOMPARE(button.font().pixelSize(), 16);
    const QImage image = renderOf(button);
    QCOMPARE_COLOR(image, 8, 16, QColor(21, 138, 162));
    QCOMPARE_COLOR(image, 111, 16, QColor(21, 138, 162));

    // A new title keeps the fill.
    ButtonStyling::setAttributedTitle(
        &button, ButtonStyling::setCenterAttributes(Qt::white, QStringLiteral("Back"), 16));
    QCOMPARE(button.text(), QStringLiteral("Back"));
    QCOMPARE_COLOR(renderOf(button), 8, 16, QColor(21, 138, 162));
}

void TstPaintedControls::paintedButtonsWorkFromTheKeyboard_data()
{
    QTest::addColumn<WidgetFactory>("make");
    QTest::newRow("settings") << WidgetFactory([] {
        auto* b = new ButtonSettingsSaved;
        b->setTitle(QStringLiteral("Go"));
        return b;
    });
    QTest::newRow("hover") << WidgetFactory([] {
        auto* b = new HoverButton;
        b->setAttributedTitle(ButtonStyling::setCenterAttributes(Qt::black, QStringLiteral("Go"), 13));
        return b;
    });
    QTest::newRow("windows-like") << WidgetFactory([] {
        auto* b = new WIndowsLikeButton;
        b->setAttributedTitle(ButtonStyling::setCenterAttributes(Qt::white, QStringLiteral("Go"), 13));
        return b;
    });
    QTest::newRow("simple image") << WidgetFactory([] {
        auto* b = new ButtonHoverSimple;
        b->setAccessibleName(QStringLiteral("Go"));
        return b;
    });
    QTest::newRow("tile") << WidgetFactory([] {
        auto* b = new ButtonHoverComplex;
        b->setTitle(QStringLiteral("Go"));
        b->setFillColor(QColor(0, 155, 178));
        return b;
    });
}

void TstPaintedControls::paintedButtonsWorkFromTheKeyboard()
{
    QFETCH(WidgetFactory, make);
    QWidget window;
    window.resize(300, 300);
    auto* button = qobject_cast<QAbstractButton*>(make());
    QVERIFY(button);
    button->setParent(&window);
    button->setGeometry(20, 20, 160, 160);
    // What a screen reader reads: the button's text, or its explicit name.
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(button);
    QVERIFY(access);
    QCOMPARE(access->text(QAccessible::Name), QStringLiteral("Go"));
    QCOMPARE(button->focusPolicy(), Qt::StrongFocus);

    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    button->setFocus();
    QVERIFY(button->hasFocus());
    QCOMPARE_COLOR(renderOf(*button), 2, 80, ButtonStyling::focusRingColor());

    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(clicked.size(), 1);
    QTest::keyClick(button, Qt::Key_Return);
    QTRY_COMPARE(clicked.size(), 2);
}

QTEST_MAIN(TstPaintedControls)
#include "tst_paintedcontrols.moc"
