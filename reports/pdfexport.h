#pragma once

#include "exports.h"

// The PDF form of the report, through Qt's printing module: it needs a QGuiApplication (the
// offscreen platform will do where there is no display).
namespace exports {

// Every line of the data file, as it stands, on A4 pages: 55 lines a page in an 8-point face.
Outcome savePdf(const Target& target);

// The PDF engine does not report a failed write; a document cut short lacks its end mark.
bool isCompletePdf(const QString& path);

} // namespace exports
