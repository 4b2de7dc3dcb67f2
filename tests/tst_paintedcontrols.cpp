#include "ui/ButtonHoverComplex.h"
#include "ui/ButtonHoverSimple.h"
#include "ui/ButtonSettingsSaved.h"
#include "ui/ButtonStyling.h"
#include "ui/HoverButton.h"
#include "ui/Opacity.h"
#include "ui/PreviewLoader.h"
#include "ui/PropertiesLabel.h"
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
#include <cmath>
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

// WCAG relative luminance and contrast ratio.
double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// `color` laid over white at `alpha`.
QColor overWhite(const QColor& color, double alpha)
{
    auto mix = [alpha](int v) { return qRound(v * alpha + 255 * (1 - alpha)); };
    return QColor(mix(color.red()), mix(color.green()), mix(color.blue()));
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
    void disabledButtonFadesOnce();
    void hoverLookEndsWithEnabledChangeOrCover();
    void focusRingStandsOutOnEveryBackground_data();
    void focusRingStandsOutOnEveryBackground();
    void propertiesLineTheirColonsUp();
    void previewNeverEnlargesBeyondTwice_data();
    void previewNeverEnlargesBeyondTwice();
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

// A disabled button is faded once: by its page's alpha when the page dims
// it, else by its own paint, never by both.
void TstPaintedControls::disabledButtonFadesOnce()
{
    QWidget page;
    page.setAutoFillBackground(true);
    QPalette white = page.palette();
    white.setColor(QPalette::Window, Qt::white);
    page.setPalette(white);
    page.resize(400, 80);
    const QVariantMap detail{{QStringLiteral("Title"), QStringLiteral("Scan")},
                             {QStringLiteral("TitleColor"), QColor(Qt::white)},
                             {QStringLiteral("Font"), 14}};
    auto* dimmedByPage = new WIndowsLikeButton(&page);
    dimmedByPage->setGeometry(10, 10, 130, 38);
    ButtonStyling::setButtonAtrribute(dimmedByPage, 0, QColor(0, 155, 178), detail);
    dimmedByPage->setEnabled(false);
    Opacity::set(dimmedByPage, 0.6);
    auto* dimmedAlone = new WIndowsLikeButton(&page);
    dimmedAlone->setGeometry(200, 10, 130, 38);
    ButtonStyling::setButtonAtrribute(dimmedAlone, 0, QColor(0, 155, 178), detail);
    dimmedAlone->setEnabled(false);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    const QImage shot = page.grab().toImage();
    const QColor fill = overWhite(WIndowsLikeButton::fillColor(), ButtonStyling::disabledOpacity());
    // Inside the white border, left of the title.
    QCOMPARE_COLOR(shot, 10 + 6, 10 + 19, fill);
    QCOMPARE_COLOR(shot, 200 + 6, 10 + 19, fill);
    // The title stays readable on its fill: the brightest title pixel against it.
    for (int left : {10, 200}) {
        QColor brightest = fill;
        for (int y = 10 + 8; y < 10 + 30; ++y) {
            for (int x = left + 30; x < left + 100; ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (luminance(c) > luminance(brightest)) {
                    brightest = c;
                }
            }
        }
        QVERIFY2(contrast(brightest, fill) >= 2.0,
                 qPrintable(QStringLiteral("title contrast %1").arg(contrast(brightest, fill))));
    }
}

// No hover or pressed look outlives the hover: a button disabled under the
// pointer and enabled again, or covered by a panel, looks as it should.
void TstPaintedControls::hoverLookEndsWithEnabledChangeOrCover()
{
    QWidget page;
    page.resize(500, 300);
    auto* markAll = new WIndowsLikeButton(&page);
    markAll->setGeometry(20, 20, 120, 38);
    auto* tab = new HoverButton(&page);
    tab->setGeometry(160, 20, 96, 32);
    tab->setBackgroundColor(QColor(21, 138, 162));
    auto* tile = new ButtonHoverComplex(&page);
    tile->setGeometry(20, 80, 160, 166);
    tile->setFillColor(QColor(0, 155, 178));
    auto* home = new ButtonHoverSimple(&page);
    home->setGeometry(300, 20, 40, 32);
    home->setResetImageWhenNotHovering(true);
    home->setImageNormal(solid(QSize(40, 32), Qt::blue), solid(QSize(40, 32), Qt::red), QIcon(), QIcon());
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QPoint away(480, 290);

    // Disabled while the pointer is over it (a deletion starts), the pointer
    // leaves, the button is enabled again: full colour.
    QTest::mouseMove(&page, away);
    QTest::mouseMove(markAll, markAll->rect().center());
    QTRY_COMPARE(Opacity::of(markAll), 0.7);
    markAll->setEnabled(false);
    QCOMPARE(Opacity::of(markAll), 1.0);
    QTest::mouseMove(&page, away);
    markAll->setEnabled(true);
    QCOMPARE(Opacity::of(markAll), 1.0);
    QCOMPARE_COLOR(page.grab().toImage(), 20 + 8, 20 + 19, WIndowsLikeButton::fillColor());

    // The tab on show is disabled under the pointer and enabled later
    // without a leave in between: no fade is left behind.
    tab->setFadesWhenDisabled(false);
    enter(*tab);
    QCOMPARE(Opacity::of(tab), 0.7);
    tab->setEnabled(false);
    QCOMPARE(Opacity::of(tab), 1.0);
    QCOMPARE_COLOR(page.grab().toImage(), 160 + 4, 20 + 16, QColor(21, 138, 162));
    tab->setEnabled(true);
    QCOMPARE(Opacity::of(tab), 1.0);

    // The page's own alpha is not the hover's to take back.
    enter(*markAll);
    Opacity::set(markAll, 0.6);
    markAll->setEnabled(false);
    QCOMPARE(Opacity::of(markAll), 0.6);
    leave(*markAll);
    QCOMPARE(Opacity::of(markAll), 0.6);
    markAll->setEnabled(true);
    Opacity::set(markAll, 1.0);

    // A cover laid over the page ends the hover of everything below it.
    enter(*markAll);
    enter(*tile);
    enter(*home);
    QCOMPARE(Opacity::of(tile), 0.8);
    QCOMPARE(home->image().cacheKey(), home->hoverImage().cacheKey());
    new ViewTransparent(&page);
    QCOMPARE(Opacity::of(markAll), 1.0);
    QCOMPARE(Opacity::of(tile), 1.0);
    QVERIFY(!tile->hovering());
    QVERIFY(!home->hovering());
    QCOMPARE(home->image().cacheKey(), home->normalImage().cacheKey());
    ViewTransparent::removeAll(&page);

    // A disabled picture button does not keep its hover picture either.
    enter(*home);
    home->setEnabled(false);
    QCOMPARE(home->image().cacheKey(), home->normalImage().cacheKey());
    home->setEnabled(true);
    QCOMPARE_COLOR(page.grab().toImage(), 300 + 20, 20 + 16, QColor(Qt::blue));
}

void TstPaintedControls::focusRingStandsOutOnEveryBackground_data()
{
    QTest::addColumn<WidgetFactory>("make");
    QTest::newRow("teal filled") << WidgetFactory([] {
        auto* b = new WIndowsLikeButton;
        b->setAttributedTitle(ButtonStyling::setCenterAttributes(Qt::white, QStringLiteral("Go"), 13));
        return b;
    });
    QTest::newRow("white panel button") << WidgetFactory([] {
        auto* b = new ButtonSettingsSaved;
        b->setTitle(QStringLiteral("Go"));
        return b;
    });
    QTest::newRow("dark teal tab") << WidgetFactory([] {
        auto* b = new HoverButton;
        b->setBackgroundColor(QColor(21, 138, 162));
        return b;
    });
    QTest::newRow("unfilled") << WidgetFactory([] { return new HoverButton; });
    QTest::newRow("tile") << WidgetFactory([] {
        auto* b = new ButtonHoverComplex;
        b->setFillColor(QColor(0, 155, 178));
        return b;
    });
}

// The ring must show against what it sits on: its outer line against the
// button's own fill, at 3:1 or better.
void TstPaintedControls::focusRingStandsOutOnEveryBackground()
{
    QFETCH(WidgetFactory, make);
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette white = window.palette();
    white.setColor(QPalette::Window, Qt::white);
    window.setPalette(white);
    window.resize(300, 300);
    auto* button = qobject_cast<QAbstractButton*>(make());
    button->setParent(&window);
    button->setGeometry(20, 20, 160, 60);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QColor background = window.grab().toImage().pixelColor(20 + 12, 20 + 8);
    button->setFocus();
    QVERIFY(button->hasFocus());
    const QImage shot = window.grab().toImage();
    const QColor ring = shot.pixelColor(20 + 2, 20 + 30);
    QVERIFY2(contrast(ring, background) >= 3.0, qPrintable(QStringLiteral("ring %1 on %2: %3:1")
                                                               .arg(ring.name(), background.name())
                                                               .arg(contrast(ring, background))));
    // And against the window around the button.
    QVERIFY(contrast(ring, Qt::white) >= 3.0);
}

// The properties keep their words; drawn in a proportional font, every
// colon of a row sits in one column.
void TstPaintedControls::propertiesLineTheirColonsUp()
{
    const QString text =
        QStringLiteral(" holiday.jpg\nSize                          : 1.50 MB\nImage Dimensions   : "
                       "800x600\nCreated Date           : 2024-03-05 14:07:09\nModified Date         "
                       ": 2024-03-05 14:07:09");
    PropertiesLabel label;
    QFont font = label.font();
    font.setPixelSize(13);
    label.setFont(font);
    label.setStyleSheet(QStringLiteral("color: black; background: white;"));
    label.resize(400, 120);
    label.setText(text);
    QCOMPARE(label.text(), text);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    const QImage shot = label.grab().toImage();
    const QFontMetrics metrics(font);
    const int colon = label.colonColumn();
    QVERIFY(colon > 4 + metrics.horizontalAdvance(QStringLiteral("Image Dimensions")));
    // Each of the four rows has ink in the colon's column and none just
    // before it (where the zig-zag of padded labels used to put colons).
    const int lineHeight = metrics.lineSpacing() + 2;
    for (int row = 0; row < 4; ++row) {
        const int top = 4 + lineHeight + 2 + row * lineHeight;
        bool inkAtColon = false;
        for (int y = top; y < top + lineHeight; ++y) {
            for (int x = colon; x < colon + metrics.horizontalAdvance(QLatin1Char(':')) + 1; ++x) {
                inkAtColon = inkAtColon || shot.pixelColor(x, y).lightness() < 160;
            }
        }
        QVERIFY2(inkAtColon, qPrintable(QStringLiteral("row %1 has no colon at x %2").arg(row).arg(colon)));
    }
}

void TstPaintedControls::previewNeverEnlargesBeyondTwice_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("shown"); // logical pixels
    QTest::newRow("icon") << QSize(24, 24) << 1.0 << QSize(48, 48);
    QTest::newRow("icon at 2x") << QSize(24, 24) << 2.0 << QSize(48, 48);
    QTest::newRow("small and wide") << QSize(100, 20) << 1.0 << QSize(200, 40);
    QTest::newRow("fits to width") << QSize(640, 320) << 1.0 << QSize(280, 140);
    QTest::newRow("fits to height") << QSize(300, 600) << 2.0 << QSize(97, 194);
    QTest::newRow("enlarged a little") << QSize(200, 100) << 1.0 << QSize(280, 140);
}

void TstPaintedControls::previewNeverEnlargesBeyondTwice()
{
    QFETCH(QSize, picture);
    QFETCH(qreal, ratio);
    QFETCH(QSize, shown);
    QImage image(picture, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QPixmap pixmap = PreviewLoader::fitPreview(image, QSize(280, 194), ratio);
    QCOMPARE(pixmap.devicePixelRatio(), ratio);
    QCOMPARE(pixmap.deviceIndependentSize().toSize(), shown);
}

QTEST_MAIN(TstPaintedControls)
#include "tst_paintedcontrols.moc"
