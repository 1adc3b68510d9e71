// The one place that fixes the program's version: the caption suffix and the
// VERSIONINFO resource are both made from these numbers.
#pragma once

#define ZEFRA_VERSION_MAJOR 9
#define ZEFRA_VERSION_MINOR 8
#define ZEFRA_VERSION_REVISION 0
#define ZEFRA_VERSION_BUILD 0

// The version texts of the resource, written the way the product has always shown them.
#define ZEFRA_VERSION_TEXT "9.08"

#define ZEFRA_PRODUCT_NAME "Zefra_INDIR"
#define ZEFRA_FILE_DESCRIPTION "Update App for Carpet Cleaning Application"
#define ZEFRA_EXE_NAME "Zefra INDIR.exe"
