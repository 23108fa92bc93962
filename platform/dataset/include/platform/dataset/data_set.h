#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dataset/data_set_state.h"
#include "platform/dataset/export.h"
#include "platform/dataset/field.h"
#include "platform/dataset/field_def.h"
#include "platform/dataset/filter.h"
#include "platform/dataset/packet.h"
#include "platform/dataset/value.h"

namespace platform::dataset {

class DataSource;

/// Pending-change status of a stored row.
enum class UpdateStatus { Unmodified, Modified, Inserted };

struct PLATFORM_DATASET_EXPORT LocateOptions {
    bool caseInsensitive = false;
};

using DataSetEvent = std::function<void(DataSet&)>;

/// The handlers a data set calls. A before-handler that throws (platform::dataset::Abort
/// for a silent refusal, or any other exception) cancels the operation, which
/// leaves the data set as it was, and the exception propagates to the caller.
/// An after-handler runs once the operation is complete; what it throws
/// propagates too, the operation staying done.
struct PLATFORM_DATASET_EXPORT DataSetEvents {
    DataSetEvent beforeOpen, afterOpen, beforeClose, afterClose;
    DataSetEvent beforeInsert, afterInsert, onNewRecord;
    DataSetEvent beforeEdit, afterEdit;
    DataSetEvent beforePost, afterPost;
    DataSetEvent beforeCancel, afterCancel;
    DataSetEvent beforeDelete, afterDelete;
    DataSetEvent beforeScroll, afterScroll;
};

/// A client-side in-memory table: rows loaded whole from a data packet,
/// navigated with a cursor, edited through its fields, with a log of the
/// changes made since the last load or merge.
///
/// Order of events. "state" is the state change passed to every linked data
/// source (and its links), "data" a data change passed likewise.
///
///   load(packet)  the packet is checked first: a refused packet changes nothing
///                 and raises no event. Then, when open: beforeClose, state
///                 (inactive), afterClose; an edit in progress is dropped
///                 without cancel events. Then beforeOpen, state (browse),
///                 data, afterOpen, and afterScroll only when the set has rows.
///                 The cursor is on the first row; the change log is empty.
///   close()       beforeClose, state (inactive), afterClose. Rows are dropped.
///   edit()        (already editing: nothing; empty set: insert()) beforeEdit,
///                 state (edit), data (row), afterEdit.
///   insert(),     browse check (below), beforeInsert, beforeScroll, state
///   append()      (insert), onNewRecord, data, afterInsert, afterScroll.
///                 insert() places the new row before the current one,
///                 append() after the last. If onNewRecord throws, the set
///                 goes back to browse and the exception propagates.
///   post()        (not editing: nothing) updateData to the links, beforePost,
///                 the row is stored and logged, state (browse), data,
///                 afterPost. A failure before storing leaves the set in its
///                 editing state with the values written so far. An edited
///                 row whose values end up as loaded is no pending change.
///   cancel()      (not editing: nothing) beforeCancel, [beforeScroll when
///                 inserting], the edit is dropped, state (browse), data,
///                 afterCancel, [afterScroll when it was an insert].
///   deleteRecord() (inserting: cancel(); empty: error) beforeDelete,
///                 beforeScroll, the row is removed and logged, [state
///                 (browse) when it was being edited], data, afterDelete,
///                 afterScroll. The cursor goes to the row that followed.
///   first(), last(), next(), prior(), moveBy(), setRecNo(), moveToDisplayRow()
///                 browse check, beforeScroll, move, data (scrolled),
///                 afterScroll. Moving past an end sets eof()/bof() and still
///                 raises both scroll events; setRecNo() and moveToDisplayRow()
///                 to the row already current raise none.
///   locate()      browse check, beforeScroll; when found: move, data,
///                 afterScroll.
///   setFilter(), setFiltered() (when open)
///                 browse check, then as first().
///
/// Browse check: when the set is editing, a modified row (a field was
/// written) is posted and an unmodified one cancelled, with their events.
/// Writing a field: data (with the field) after the value is stored.
///
/// Handlers may run further operations on the same data set (an afterPost
/// that reloads it, an afterCancel that posts); every event fires after the
/// data set's own bookkeeping for the step is complete.
class PLATFORM_DATASET_EXPORT DataSet {
public:
    explicit DataSet(std::string name = {});
    ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    /// The name used in error messages ("cdsAtividades: ...").
    const std::string& name() const { return name_; }

    // --- Fields -----------------------------------------------------------
    /// Declares a field (only while closed). A data set that declares fields
    /// keeps them for its whole life and requires each of them in every packet
    /// it loads; one that declares none takes the fields of each packet.
    /// Throws Error for a duplicate name or an open data set.
    Field& addField(FieldDef def);
    bool declaresFields() const { return declared_; }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field& field(int index) const;
    /// nullptr when there is no such field (names match without regard to case).
    Field* findField(std::string_view name) const;
    /// Throws Error "Field 'X' not found".
    Field& fieldByName(std::string_view name) const;
    std::vector<FieldDef> fieldDefs() const;

    // --- Opening and closing ------------------------------------------------
    /// Replaces the rows with the packet's (see the event order above). Throws
    /// PacketError for an inconsistent packet, a declared field the packet
    /// lacks, a field of an incompatible type or a text over a declared size;
    /// the data set is then unchanged.
    void load(DataPacket packet);
    /// Opens the declared fields with no rows (same events as load).
    void createDataSet();
    void close();
    /// The stored rows (current values, all rows, filter ignored) as a packet.
    DataPacket data() const;

    // --- State and cursor ---------------------------------------------------
    DataSetState state() const { return state_; }
    bool active() const { return state_ != DataSetState::Inactive; }
    bool editing() const { return isEditingState(state_); }
    /// A field of the row being edited or inserted was written.
    bool modified() const { return modified_; }
    /// No visible stored row and no row being inserted.
    bool isEmpty() const;
    /// Visible stored rows (hidden by the filter are not counted; a row being
    /// inserted is not counted until posted).
    int recordCount() const;
    /// 1-based position of the current row among the visible rows; 0 when
    /// closed or empty. While inserting: the position the new row is shown at.
    int recNo() const;
    /// Moves to the row at 1-based `recNo` (a number past the end means the
    /// last row). Throws Error for a number below 1 or a closed data set.
    void setRecNo(int recNo);
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    void first();
    void prior();
    void next();
    void last();
    /// Moves `distance` rows forward (negative: back), stopping at the ends
    /// (which sets eof()/bof()). Returns the rows actually moved.
    int moveBy(int distance);
    /// Moves to the first visible row whose field `fieldName` equals `value`
    /// (a text compared as a whole, optionally without regard to letter case;
    /// null matches null). Returns false and stays when there is none.
    bool locate(std::string_view fieldName, const Value& value, LocateOptions options = {});

    // --- Editing ------------------------------------------------------------
    void edit();
    void insert();
    void append();
    void post();
    void cancel();
    void deleteRecord();
    /// When editing: posts a modified row, cancels an unmodified one.
    void checkBrowseMode();
    /// Status of the current row (Unmodified when closed or empty).
    UpdateStatus updateStatus() const;

    // --- Change log ---------------------------------------------------------
    /// Number of rows with a pending change (inserted, changed or deleted since
    /// the last load or merge); a row changed twice counts once, a row inserted
    /// and then deleted not at all.
    int changeCount() const;
    /// Each inserted, changed and deleted row, in the order they were first
    /// changed, with the fields' definitions (update flags included). An edit
    /// not yet posted is not part of it.
    ChangePacket changePacket() const;
    /// Cancels an edit in progress (with its events), then brings every row
    /// back to its last loaded or merged state: inserted rows go, changed rows
    /// get their old values, deleted rows come back at their places. The
    /// cursor stays on the same row when it still exists, else at the same
    /// position. Data change only, no scroll events.
    void cancelUpdates();
    /// The current values become the old ones and the log empties (after the
    /// browse check).
    void mergeChangeLog();

    // --- Filter -------------------------------------------------------------
    /// Sets the filter text (see FilterExpression for the syntax). A text
    /// that does not parse, or names a field the open data set lacks, is
    /// refused with Error and the previous filter stays. An empty text means
    /// no filter.
    void setFilter(std::string_view text);
    const std::string& filter() const { return filterText_; }
    /// Switches filtering on or off; switching on an invalid filter is refused
    /// with Error and filtering stays off.
    void setFiltered(bool filtered);
    bool filtered() const { return filtered_; }
    void setFilterCaseInsensitive(bool caseInsensitive);

    // --- Rows as the grid draws them ---------------------------------------
    /// Rows to draw: the visible stored rows plus the row being inserted.
    int displayRowCount() const;
    /// 0-based display row of the cursor (-1 when closed or empty).
    int displayRowOfCursor() const;
    /// 0-based display row of the row being inserted, or -1.
    int insertDisplayRow() const;
    /// The row being inserted was started by append() (shown after the last row).
    bool appending() const { return state_ == DataSetState::Insert && appending_; }
    /// While alive, fields read display row `row` (0-based) instead of the
    /// current row, without moving the cursor or raising events; the row being
    /// edited or inserted shows its unposted values. Writing a field meanwhile
    /// is refused. Nests; restores the previous row on destruction.
    class DisplayRowScope {
    public:
        DisplayRowScope(DisplayRowScope&&) = delete;
        ~DisplayRowScope();

    private:
        friend class DataSet;
        DisplayRowScope(DataSet& dataSet, int row);
        DataSet& dataSet_;
        int previous_;
    };
    [[nodiscard]] DisplayRowScope showDisplayRow(int row);
    /// Update status of display row `row`.
    UpdateStatus displayRowStatus(int row) const;
    /// Makes the row shown at display row `row` current (a click in the
    /// grid). The row is picked before the browse check posts or cancels an
    /// edit, so the right row becomes current even when a cancelled insert
    /// row disappears; when the row is gone afterwards (a handler reloaded
    /// the data set) the cursor stays where that left it.
    void moveToDisplayRow(int row);

    DataSetEvents events;

private:
    friend class Field;
    friend class DataSource;

    struct Record {
        std::uint64_t id = 0;
        Row values;
        std::optional<Row> original;  ///< kept only once the row changed
        UpdateStatus status = UpdateStatus::Unmodified;
        std::size_t origin = 0;    ///< position as last loaded or merged
        std::uint64_t logSeq = 0;  ///< order of its first pending change
    };
    struct DeletedRecord {
        Row original;
        std::size_t origin = 0;
        std::uint64_t logSeq = 0;
    };
    enum class Notice { StateChanged, DataSetChanged, Scrolled, RecordChanged, UpdateData };

    // Field access for the current (or displayed) row.
    const Value& currentValue(int field) const;
    std::optional<Value> currentOldValue(int field) const;
    void writeField(int field, Value value);
    bool requestFocus(Field& field);

    [[noreturn]] void fail(const std::string& message) const;
    void checkActive() const;
    void startInsert(bool append);
    void fire(const DataSetEvent& handler);
    void setState(DataSetState state);
    void notify(Notice notice, Field* field = nullptr);
    void attachSource(DataSource* source);
    void detachSource(DataSource* source);

    std::vector<Record> buildRecords(DataPacket&& packet, std::vector<FieldDef>& defs) const;
    void openWith(const std::vector<FieldDef>& defs, std::vector<Record> records);
    void rebuildView(std::optional<std::uint64_t> keepId, int fallbackPos);
    bool passesFilter(const Row& row) const;
    template <typename Move>
    void scrollTo(Notice notice, Move move);
    void refilter();
    void resetFieldsFromPacket(const std::vector<FieldDef>& defs);
    const Record* currentRecord() const;
    Record* currentRecord();
    int displayToView(int displayRow, bool& isInsertRow) const;
    const Row* displayRowValues(int row, const Record** record, bool& isBuffer) const;

    std::string name_;
    bool declared_ = false;
    std::vector<std::unique_ptr<Field>> fields_;

    DataSetState state_ = DataSetState::Inactive;
    std::vector<Record> records_;
    std::vector<DeletedRecord> deleted_;
    std::vector<std::size_t> view_;  ///< indices into records_ of the visible rows
    int cursor_ = -1;                ///< index into view_
    bool bof_ = true;
    bool eof_ = true;

    Row buffer_;  ///< values of the row being edited or inserted
    bool modified_ = false;
    bool appending_ = false;
    std::size_t insertAt_ = 0;  ///< index into records_ where an inserted row goes
    int insertViewPos_ = 0;     ///< display row of the row being inserted
    int displayOverride_ = -1;

    std::uint64_t nextId_ = 1;
    std::uint64_t nextSeq_ = 1;

    std::string filterText_;
    std::optional<FilterExpression> filterExpr_;
    bool filtered_ = false;
    bool filterCaseInsensitive_ = false;

    std::vector<DataSource*> sources_;
};

}  // namespace platform::dataset
