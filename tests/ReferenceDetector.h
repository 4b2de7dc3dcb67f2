#pragma once

#include "scan/Modal.h"

#include <QList>

class ScanControl;

// Oracle for the detector: the plain quadratic search, one reference file
// at a time compared with every later file by size and then by bytes.
class ReferenceDetector
{
public:
    explicit ReferenceDetector(ScanControl& control);

    // Empties `list` unless a stop cuts the search short.
    ModalPtr findDuplicates(QList<FilePtr>& list);

    // A set of two or more identical files in the given order, unmarked.
    static SetPtr setOfFileDetailsFrom(const QList<FilePtr>& group);

private:
    ScanControl& m_control;
};
