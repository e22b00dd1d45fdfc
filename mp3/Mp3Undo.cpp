#include "Mp3Undo.h"

SUndoResult UndoTagRecord(const SJournalRecord& record, bool apply) {
    (void)apply;
    SUndoResult result;
    result.path = record.fields.empty() ? QByteArray() : record.fields[0];
    result.status = EUndoStatus::kLeft;
    result.reason = QStringLiteral("not a change this tool can undo");
    return result;
}
