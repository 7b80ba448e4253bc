#include "store/TableRewrite.h"

#include "platform/FaultPoint.h"
#include "store/DriveRoot.h"

namespace store {

using namespace platform;

RewriteResult rewriteTable(const std::string& root,
                           const std::function<RecordDecision(const GameEntry&)>& decide,
                           std::span<const GameEntry> append, const BeforeReplace& beforeReplace) {
    RewriteResult result;
    const std::string path = tablePath(root);
    TableContents table = readTableFile(path);
    if (!table.changeable()) {
        result.error = table.opened ? "it ends in a torn record" : table.problem;
        return result;
    }

    std::vector<GameEntry> kept;
    std::vector<GameEntry> dropped;
    for (const GameEntry& entry : table.records) {
        switch (decide(entry)) {
            case RecordDecision::Keep:
                kept.push_back(entry);
                break;
            case RecordDecision::Drop:
                dropped.push_back(entry);
                break;
            case RecordDecision::Abandon:
                result.status = RewriteResult::Status::Abandoned;
                return result;
        }
    }
    kept.insert(kept.end(), append.begin(), append.end());
    const TableWrite write = writeTableFile(path, kept, beforeReplace);
    if (!write) {
        result.status = write.status == TableWrite::Status::NotFlushed
                            ? RewriteResult::Status::NotFlushed
                            : RewriteResult::Status::Failed;
        result.error = write.error;
        return result;
    }
    result.status = RewriteResult::Status::Replaced;
    result.dropped = std::move(dropped);
    return result;
}

}  // namespace store
