#include "AppHarness.h"

AppHarness::AppHarness(bool singleInstance) : delegate(&window, AppDelegate::Options{singleInstance, false, false})
{
}

QString AppHarness::page() const
{
    return window.currentPageIdentifier();
}

ScanSession* AppHarness::scan() const
{
    return delegate.scanSession();
}
