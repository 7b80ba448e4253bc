#include "store/TableRewrite.h"

#include "platform/FaultPoint.h"
#include "store/DriveRoot.h"

namespace store {

using namespace platform;

RewriteResult rewriteTable(const std::string& root,
                           const std::function<RecordDecision(const GameEntry&)>& decide,
                           std::span<const GameEntry> append, const BeforeReplace& beforeReplace) {
    const std::string path = tablePath(root);
    TableContents table = readTableFile(path);
    if (!table.changeable())
        return Failure<TableRewriteStep>{TableRewriteStep::NotOpened, path,
                                         table.opened ? "it ends in a torn record" : table.problem};

    std::vector<GameEntry> kept;
    RewrittenTable rewritten;
    for (const GameEntry& entry : table.records) {
        switch (decide(entry)) {
            case RecordDecision::Keep:
                kept.push_back(entry);
                break;
            case RecordDecision::Drop:
                rewritten.dropped.push_back(entry);
                break;
            case RecordDecision::Abandon:
                return Failure<TableRewriteStep>{TableRewriteStep::Abandoned, path, {}};
        }
    }
    kept.insert(kept.end(), append.begin(), append.end());
    const TableWrite write = writeTableFile(path, kept, beforeReplace);
    if (!write)
        return Failure<TableRewriteStep>{write.failedAt(TableWriteStep::NotFlushed)
                                             ? TableRewriteStep::NotFlushed
                                             : TableRewriteStep::Write,
                                         path, write.failure().reason};
    return rewritten;
}

}  // namespace store
