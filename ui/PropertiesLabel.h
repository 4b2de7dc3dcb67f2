#pragma once

#include <QLabel>

// The properties text of a file, drawn as a name line and a two-column
// list: the labels in one column, their colons lined up, the values in a
// second column. text() stays the text as written, blanks included.
class PropertiesLabel : public QLabel
{
    Q_OBJECT
public:
    explicit PropertiesLabel(QWidget* parent = nullptr);

    // The x where the colons are drawn, for the current text and font.
    int colonColumn() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
