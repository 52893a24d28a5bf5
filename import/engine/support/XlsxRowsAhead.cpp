#include "import/engine/support/XlsxRowsAhead.h"

XlsxRowsAhead::XlsxRowsAhead(std::unique_ptr<XlsxSheetReader> Reader)
    : m_reader(std::move(Reader)),
      m_ahead([this](std::vector<XlsxRow>& batch,
                    const queue::StopFlag& stop) { return fill(batch, stop); },
              kBatches)
{}

bool XlsxRowsAhead::fill(std::vector<XlsxRow>& Batch, const queue::StopFlag& Stop)
{
    // A batch ends at so many rows, cells or bytes, so that wide or long rows keep it small.
    // Its rows are filled again in place: a row costs no allocation of its own once the first
    // batches went round.
    std::size_t rows = 0, cells = 0, bytes = 0;
    bool more = true;
    try {
        Batch.reserve(kBatchRows);
        while (rows < kBatchRows && cells < kBatchCells && bytes < kBatchBytes) {
            Stop.check();
            if (rows == Batch.size())
                Batch.emplace_back();
            XlsxRow& row = Batch[rows];
            if (!(more = m_reader->next(row)))
                break;
            cells += row.cells.size() + 1;
            for (const auto& cell : row.cells)
                bytes += std::size_t(cell.second.size()) * 2;
            ++rows;
        }
    } catch (...) {
        // The rows before the failure still go first.
        Batch.resize(rows);
        throw;
    }
    Batch.resize(rows);
    return more;
}

bool XlsxRowsAhead::next(XlsxRow& Row)
{
    while (m_index >= m_batch.size()) {
        if (!m_ahead.take(m_batch))
            return false;
        m_index = 0;
    }
    // The caller's last row goes back with the batch, to be filled again.
    std::swap(Row, m_batch[m_index++]);
    return true;
}

