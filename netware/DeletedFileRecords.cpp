// SPDX-License-Identifier: GPL-3.0-or-later
// The deleted-file record as NextDeletedFile hands it out.
#include "netware/DeletedFileRecords.h"

#include <cstring>

#include "netware/ClientText.h"

void FillDeletedRecord(const DeletedRecordValues& values, NWDELETED_INFO& record, nuint32& iterHandle)
{
    ClearDeletedRecord(record);
    record.sequence = static_cast<nuint32>(values.number + 1);
    record.parent = values.parent;
    record.attributes = values.attributes;
    record.nameLength = static_cast<nuint8>(std::min<std::size_t>(values.name.size(), 255));
    CopyText(values.name, record.name, sizeof record.name);
    record.fileSize = static_cast<nuint32>(values.size);
    record.fileSizeHigh = static_cast<nuint32>(values.size >> 32);
    if (values.allocated) {
        record.allocatedSize = static_cast<nuint32>(*values.allocated);
        record.allocatedSizeHigh = static_cast<nuint32>(*values.allocated >> 32);
        record.allocatedKnown = 1;
    }
    record.deletedDateAndTime = values.deleted;
    record.deletorID = values.deletor;
    iterHandle = static_cast<nuint32>(values.number + 1);
}

bool IsListedName(std::string_view name, const char* fileName)
{
    return fileName && name == fileName;
}
