#pragma once

#include "import/engine/support/XlsxSheetReader.h"
#include "platform/queue/BoundedQueue.h"

#include <memory>
#include <vector>

// A sheet's rows read on a thread of their own, a few batches ahead of the caller, so that the
// parse and the cells' texts overlap with what the caller does with the rows. A failure of the
// parse reaches the caller after the rows before it.
class XlsxRowsAhead
{
public:
    explicit XlsxRowsAhead(std::unique_ptr<XlsxSheetReader> Reader);
    XlsxRowsAhead(const XlsxRowsAhead&) = delete;
    XlsxRowsAhead& operator=(const XlsxRowsAhead&) = delete;

    // As XlsxSheetReader::next.
    bool next(XlsxRow& Row);
    // The reader, for its extents once next has answered false.
    const XlsxSheetReader& reader() const { return *m_reader; }

private:
    static constexpr std::size_t kBatchRows = 256;
    static constexpr std::size_t kBatchCells = 16384;
    static constexpr std::size_t kBatchBytes = 8u << 20;
    static constexpr std::size_t kBatches = 4;
    bool fill(std::vector<XlsxRow>& Batch, const queue::StopFlag& Stop);

    std::unique_ptr<XlsxSheetReader> m_reader;
    std::vector<XlsxRow> m_batch; // being handed out
    std::size_t m_index = 0;
    // Last: its thread stops before the reader goes.
    queue::ReadAhead<std::vector<XlsxRow>> m_ahead;
};

