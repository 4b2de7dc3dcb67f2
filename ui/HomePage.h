#pragma once

#include <QWidget>

namespace Ui {
class HomePageForm;
}

class ButtonHoverComplex;
class QAbstractButton;

// Page "1": the home picture, the two ways into a scan, the cleaned-so-far
// line and the command that empties the exception list.
class HomePage : public QWidget
{
    Q_OBJECT
public:
    explicit HomePage(QWidget* parent = nullptr);
    ~HomePage() override;

    // Picture 1, 2 or 3 ("HomePage<n>.png"), sharp on the screen it shows on.
    void showPicture(int picture, qreal devicePixelRatio);
    void setCleanedSoFar(const QString& text);
    void setCleanedSoFarVisible(bool visible);
    void setClearExceptionsEnabled(bool enabled);
    // "Restore Last Clean-up".
    QAbstractButton* restoreButton() const;
    // Both tiles drawn in full again (they dim while pressed on the way out).
    void restoreTiles();
    // The keyboard starts on a way in, not on Help.
    void focusFirstTile();

Q_SIGNALS:
    void scanDriveClicked();
    void scanFoldersClicked();
    void clearExceptionsClicked();

private:
    Ui::HomePageForm* m_ui;
};
