#pragma once

#include "scan/Modal.h"

// The trees a scan hands to review: one per category and the combined one,
// which shares the categories' extension groups.
struct ScanResults
{
    ModalPtr imageModal;
    ModalPtr videoModal;
    ModalPtr audioModal;
    ModalPtr docsModal;
    ModalPtr otherModal;
    ModalPtr modal;
};
