#pragma once

#include "ui/ViewSettingsSaved.h"

// The in-window question whether to stop the scan. No is the default:
// stopping is the answer to ask for twice.
class StopScanQuestion : public ViewSettingsSaved
{
    Q_OBJECT
public:
    explicit StopScanQuestion(QWidget* parent = nullptr);

Q_SIGNALS:
    void yesClicked();
    void noClicked();
};
