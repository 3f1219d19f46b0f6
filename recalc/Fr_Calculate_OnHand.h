#pragma once

#include "recalc/Fr_Calculate.h"

// Recalculates the stock on hand of a year, with START and STOP entries in the activity log.
class TFrCalculate_OnHand : public TFrCalculate {
    Q_OBJECT
public:
    TFrCalculate_OnHand();

    void LogOnHandStep(const QString& Step);

protected:
    void beforeRun() override { LogOnHandStep("START"); }
    void afterSuccess() override { LogOnHandStep("STOP"); }
};
