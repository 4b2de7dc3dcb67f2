#include "ui/Theme.h"

#include "ui/ButtonStyling.h"

#include <QApplication>
#include <QStyleFactory>

QColor Theme::accent()
{
    return QColor(21, 138, 162);
}

QColor Theme::text()
{
    return QColor(0x1d, 0x3b, 0x44);
}

QColor Theme::windowColor()
{
    return QColor(0xf4, 0xf7, 0xf8);
}

QPalette Theme::palette()
{
    QPalette p;
    const QColor white(Qt::white);
    // Dimmed texts keep about 3.5:1 on white: legible, and plainly off.
    const QColor dimmed(0x73, 0x86, 0x8c);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        p.setColor(group, QPalette::Window, windowColor());
        p.setColor(group, QPalette::WindowText, off ? dimmed : text());
        p.setColor(group, QPalette::Base, white);
        p.setColor(group, QPalette::AlternateBase, QColor(0xee, 0xf6, 0xf8));
        p.setColor(group, QPalette::Text, off ? dimmed : text());
        p.setColor(group, QPalette::PlaceholderText, dimmed);
        p.setColor(group, QPalette::Button, QColor(0xe8, 0xf1, 0xf3));
        p.setColor(group, QPalette::ButtonText, off ? dimmed : text());
        p.setColor(group, QPalette::BrightText, white);
        p.setColor(group, QPalette::Highlight, off ? QColor(0xc9, 0xdc, 0xe0) : accent());
        p.setColor(group, QPalette::HighlightedText, off ? text() : white);
        p.setColor(group, QPalette::Link, QColor(0x0f, 0x6f, 0x83));
        p.setColor(group, QPalette::LinkVisited, QColor(0x1f, 0x64, 0x86));
        p.setColor(group, QPalette::ToolTipBase, QColor(31, 100, 134));
        p.setColor(group, QPalette::ToolTipText, white);
        p.setColor(group, QPalette::Light, white);
        p.setColor(group, QPalette::Midlight, QColor(0xdd, 0xe8, 0xeb));
        p.setColor(group, QPalette::Mid, QColor(0xa9, 0xc1, 0xc7));
        p.setColor(group, QPalette::Dark, QColor(0x7f, 0x9a, 0xa1));
        p.setColor(group, QPalette::Shadow, QColor(0x3a, 0x4d, 0x52));
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        p.setColor(group, QPalette::Accent, accent());
#endif
    }
    return p;
}

QString Theme::styleSheet()
{
    const QString ring = ButtonStyling::focusRingColor().name();
    const QString teal = accent().name();
    QString sheet = QStringLiteral(R"(
QToolTip { color: white; background: #1f6486; border: 1px solid #102a43; padding: 3px; }
QScrollBar:vertical { background: #eef3f4; width: 12px; margin: 0; border: none; }
QScrollBar:horizontal { background: #eef3f4; height: 12px; margin: 0; border: none; }
QScrollBar::handle:vertical { background: #9fc3cb; min-height: 28px; border-radius: 4px; margin: 2px; }
QScrollBar::handle:horizontal { background: #9fc3cb; min-width: 28px; border-radius: 4px; margin: 2px; }
QScrollBar::handle:hover, QScrollBar::handle:pressed { background: @TEAL@; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: none; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
QComboBox { color: #1d3b44; background: white; border: 1px solid #7fb0bb; border-radius: 3px; padding: 2px 8px; }
QComboBox:hover { border-color: @TEAL@; }
QComboBox:focus { border: 2px solid @RING@; padding: 1px 7px; }
QComboBox::drop-down { border: none; width: 20px; }
QComboBox QAbstractItemView { color: #1d3b44; background: white; border: 1px solid #7fb0bb;
    selection-background-color: @TEAL@; selection-color: white; outline: 0; }
QToolButton { color: #1d3b44; background: white; border: 1px solid #7fb0bb; border-radius: 3px; padding: 2px 6px; }
QToolButton:hover { background: #eaf6f8; border-color: @TEAL@; }
QToolButton:pressed, QToolButton:checked { background: #d3ecf1; }
QToolButton:focus { border: 2px solid @RING@; padding: 1px 5px; }
QToolButton:disabled { color: #73868c; border-color: #c5d3d6; }
QProgressBar { color: #1d3b44; border: 1px solid #9fbfc7; border-radius: 4px; background: #eef6f8; text-align: center; }
QProgressBar::chunk { background: #009bb2; border-radius: 3px; }
QMessageBox, #windowAboutPanel { background: white; }
QMessageBox QLabel, #windowAboutPanel QLabel { color: #1d3b44; }
QMessageBox QPushButton, QDialogButtonBox QPushButton, #windowAboutPanel QPushButton {
    color: white; background: @TEAL@; border: 2px solid @TEAL@; border-radius: 3px; padding: 4px 16px; min-width: 64px; }
QMessageBox QPushButton:hover, QDialogButtonBox QPushButton:hover, #windowAboutPanel QPushButton:hover {
    background: #0f6f83; border-color: #0f6f83; }
QMessageBox QPushButton:focus, QDialogButtonBox QPushButton:focus, #windowAboutPanel QPushButton:focus {
    border: 2px solid @RING@; }
QMessageBox QPushButton:disabled, QDialogButtonBox QPushButton:disabled { background: #c9dce0; border-color: #c9dce0; color: #4d6268; }
QLineEdit { color: #1d3b44; background: white; border: 1px solid #7fb0bb; border-radius: 3px; padding: 2px 4px;
    selection-background-color: @TEAL@; selection-color: white; }
QLineEdit:focus { border: 2px solid @RING@; padding: 1px 3px; }
QMenu { color: #1d3b44; background: white; border: 1px solid #9fbfc7; }
QMenu::item { padding: 4px 22px; }
QMenu::item:selected { background: @TEAL@; color: white; }
)");
    sheet.replace(QStringLiteral("@TEAL@"), teal);
    sheet.replace(QStringLiteral("@RING@"), ring);
    return sheet;
}

void Theme::apply(QApplication* app)
{
    if (!app || app->property("tidemarkThemed").toBool()) {
        return;
    }
    app->setProperty("tidemarkThemed", true);
    // Fusion draws from the palette alone; desktop styles may not.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        app->setStyle(fusion);
    }
    app->setPalette(palette());
    app->setStyleSheet(app->styleSheet() + styleSheet());
}
