#include <QTest>

class TstPaintedControls : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(TstPaintedControls)
#include "tst_paintedcontrols.moc"
