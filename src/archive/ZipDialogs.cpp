#include "archive/ZipDialogs.h"

#include "model/ServiceSlot.h"

namespace {
ServiceSlot<ZipDialogs> slot;
}

ZipDialogs& ArchiveDialogs() { return slot.Get(); }
ZipDialogs* SetArchiveDialogs(ZipDialogs* dialogs) { return slot.Set(dialogs); }
