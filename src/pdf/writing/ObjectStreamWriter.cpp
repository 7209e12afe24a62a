#include "pdf/writing/ObjectStreamWriter.h"

#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"
#include "pdf/writing/ImageCodec.h"

#include "base/AtomicFile.h"

#include <vector>

namespace pdf {

namespace {

// Objects in one object stream: a reader inflates the whole stream to reach one of them.
constexpr int kPerStream = 200;

struct Entry {
    int type = 0;       // 0 free, 1 at an offset, 2 in an object stream
    int64_t field2 = 0; // offset, or the object stream's number
    int field3 = 0;     // index within the object stream
};

// The object or dictionary as the engine prints it, tight. Never throws: false on failure.
bool printed(fz_context* c, pdf_obj* obj, QByteArray* out) {
    char* text = nullptr;
    size_t length = 0;
    fz_var(text);
    fz_try(c) {
        text = pdf_sprint_obj(c, nullptr, 0, &length, obj, 1, 0);
    }
    fz_catch(c) {
        return false;
    }
    bool ok = true;
    try {
        out->append(text, qsizetype(length));
    } catch (...) {
        ok = false;
    }
    fz_free(c, text);
    return ok;
}

// Adds the objects `obj` refers to (directly or within its arrays and dictionaries) that
// are not marked yet to `pending`, marking them. Throws through fz_throw.
void follow(fz_context* c, pdf_obj* obj, char* marks, int count, int* pending, int* top,
            int depth = 0) {
    if (depth > 100)
        return;
    if (pdf_is_indirect(c, obj)) {
        const int number = pdf_to_num(c, obj);
        if (number > 0 && number < count && !marks[number]) {
            marks[number] = 1;
            pending[(*top)++] = number;
        }
    } else if (pdf_is_dict(c, obj)) {
        for (int i = 0, n = pdf_dict_len(c, obj); i < n; ++i)
            follow(c, pdf_dict_get_val(c, obj, i), marks, count, pending, top, depth + 1);
    } else if (pdf_is_array(c, obj)) {
        for (int i = 0, n = pdf_array_len(c, obj); i < n; ++i)
            follow(c, pdf_array_get(c, obj, i), marks, count, pending, top, depth + 1);
    }
}

// Follows object `number`. Never throws: an object that cannot be read leads nowhere.
void followObject(fz_context* c, pdf_document* doc, int number, char* marks, int count,
                  int* pending, int* top) {
    pdf_obj* obj = nullptr;
    fz_var(obj);
    fz_try(c) {
        obj = pdf_load_object(c, doc, number);
        follow(c, obj, marks, count, pending, top);
    }
    fz_always(c) {
        pdf_drop_obj(c, obj);
    }
    fz_catch(c) {}
}

// Which objects the trailer reaches: the others are written as free.
std::vector<char> reachable(fz_context* c, pdf_document* doc) {
    const int count = pdf_xref_len(c, doc);
    std::vector<char> marks(size_t(count), 0);
    std::vector<int> pending(size_t(count) + 1);
    int top = 0;
    fz_try(c) {
        follow(c, pdf_trailer(c, doc), marks.data(), count, pending.data(), &top);
    }
    fz_catch(c) {
        top = 0;
    }
    while (top > 0) {
        const int number = pending[size_t(--top)];
        followObject(c, doc, number, marks.data(), count, pending.data(), &top);
    }
    return marks;
}

class Writer {
public:
    Writer(fz_context* c, pdf_document* doc, base::AtomicFile& file, int level)
        : c_(c), doc_(doc), file_(file), level_(level) {}

    void run(const base::CancelToken* cancel) {
        const int count = pdf_xref_len(c_, doc_);
        entries_.assign(size_t(count), Entry{});
        const std::vector<char> marks = reachable(c_, doc_);
        put("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
        for (int number = 1; number < count; ++number) {
            if (cancel && cancel->isCancelled())
                throw Error("cancelled");
            const int kind = marks[size_t(number)] ? classify(number) : 0;
            if (kind == 1 || kind == 3)
                writeAlone(number, kind == 1);
            else if (kind == 2)
                pack(number);
        }
        flushPacked();
        writeXref();
    }

    qint64 written() const { return offset_; }

private:
    // 0: free, 1: a stream, 2: another object. Throws pdf::Error.
    // An object of a later generation is written on its own, under its generation: only
    // generation 0 may live in an object stream.
    int classify(int number) {
        int kind = 0;
        fz_var(kind);
        fz_try(c_) {
            pdf_xref_entry* entry = pdf_get_xref_entry_no_null(c_, doc_, number);
            if (entry->type == 'n' || entry->type == 'o') {
                pdf_obj* obj = pdf_load_object(c_, doc_, number);
                pdf_drop_obj(c_, obj);
                kind = pdf_obj_num_is_stream(c_, doc_, number) ? 1 : entry->gen ? 3 : 2;
            }
        }
        fz_catch(c_) {
            kind = 0; // what cannot be read is left out, as the engine's writer does
        }
        return kind;
    }

    void put(const QByteArray& bytes) {
        if (!file_.write(bytes))
            throw Error(file_.reason().toStdString());
        offset_ += bytes.size();
    }
    void put(const char* data, size_t size) {
        if (!file_.write(data, qint64(size)))
            throw Error(file_.reason().toStdString());
        offset_ += int64_t(size);
    }

    void writeAlone(int number, bool stream) {
        fz_buffer* raw = nullptr;
        pdf_obj* dict = nullptr;
        int generation = 0;
        fz_var(raw);
        fz_var(dict);
        fz_var(generation);
        bool ok = true;
        fz_try(c_) {
            generation = pdf_get_xref_entry_no_null(c_, doc_, number)->gen;
            dict = pdf_load_object(c_, doc_, number);
            if (stream) {
                raw = pdf_load_raw_stream_number(c_, doc_, number);
                pdf_dict_put_int(c_, dict, PDF_NAME(Length),
                                 int64_t(fz_buffer_storage(c_, raw, nullptr)));
            }
        }
        fz_catch(c_) {
            ok = false;
        }
        QByteArray head =
            QByteArray::number(number) + ' ' + QByteArray::number(generation) + " obj\n";
        if (!ok || !printed(c_, dict, &head)) {
            pdf_drop_obj(c_, dict);
            fz_drop_buffer(c_, raw);
            throw Error(engine::lastError(c_).toStdString());
        }
        entries_[size_t(number)] = {1, offset_, generation};
        try {
            if (raw) {
                put(head + "\nstream\n");
                unsigned char* data = nullptr;
                const size_t size = fz_buffer_storage(c_, raw, &data);
                put(reinterpret_cast<const char*>(data), size);
                put("\nendstream\nendobj\n");
            } else {
                put(head + "\nendobj\n");
            }
        } catch (...) {
            pdf_drop_obj(c_, dict);
            fz_drop_buffer(c_, raw);
            throw;
        }
        pdf_drop_obj(c_, dict);
        fz_drop_buffer(c_, raw);
    }

    void pack(int number) {
        pdf_obj* obj = nullptr;
        fz_var(obj);
        fz_try(c_) {
            obj = pdf_load_object(c_, doc_, number);
        }
        fz_catch(c_) {
            return;
        }
        const qsizetype start = body_.size();
        const bool ok = printed(c_, obj, &body_);
        pdf_drop_obj(c_, obj);
        if (!ok)
            throw Error("out of memory");
        body_ += '\n';
        index_ += QByteArray::number(number) + ' ' + QByteArray::number(start) + ' ';
        entries_[size_t(number)] = {2, 0, int(packed_.size())};
        packed_.push_back(number);
        if (int(packed_.size()) == kPerStream)
            flushPacked();
    }

    void flushPacked() {
        if (packed_.empty())
            return;
        const int number = int(entries_.size());
        entries_.push_back({1, offset_, 0});
        for (int member : packed_)
            entries_[size_t(member)].field2 = number;
        const QByteArray data = index_ + body_;
        const codec::Bytes deflated = codec::deflate(
            reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()), level_);
        if (deflated.empty())
            throw Error("out of memory");
        put(QByteArray::number(number) + " 0 obj\n<</Type/ObjStm/N " +
            QByteArray::number(qsizetype(packed_.size())) + "/First " +
            QByteArray::number(index_.size()) + "/Filter/FlateDecode/Length " +
            QByteArray::number(qsizetype(deflated.size())) + ">>\nstream\n");
        put(reinterpret_cast<const char*>(deflated.data()), deflated.size());
        put("\nendstream\nendobj\n");
        packed_.clear();
        index_.clear();
        body_.clear();
    }

    void writeXref() {
        const int number = int(entries_.size());
        entries_.push_back({1, offset_, 0});
        const int64_t start = offset_;
        int offsetBytes = 1;
        while (offsetBytes < 8 && (start >> (8 * offsetBytes)) > 0)
            ++offsetBytes;
        QByteArray rows;
        rows.reserve(qsizetype(entries_.size()) * (offsetBytes + 3));
        for (size_t i = 0; i < entries_.size(); ++i) {
            const Entry& e = entries_[i];
            rows += char(e.type);
            const int64_t second = i == 0 ? 0 : e.field2;
            for (int b = offsetBytes - 1; b >= 0; --b)
                rows += char((second >> (8 * b)) & 0xff);
            const int third = i == 0 ? 65535 : e.field3;
            rows += char((third >> 8) & 0xff);
            rows += char(third & 0xff);
        }
        const codec::Bytes deflated = codec::deflate(
            reinterpret_cast<const unsigned char*>(rows.constData()), size_t(rows.size()), level_);
        QByteArray dict = "<</Type/XRef/Size " + QByteArray::number(number + 1) + "/W[1 " +
                          QByteArray::number(offsetBytes) + " 2]/Filter/FlateDecode/Length " +
                          QByteArray::number(qsizetype(deflated.size()));
        pdf_obj* trailer = pdf_trailer(c_, doc_);
        for (pdf_obj* key : {PDF_NAME(Root), PDF_NAME(Info), PDF_NAME(ID)}) {
            pdf_obj* value = pdf_dict_get(c_, trailer, key); // a lookup: never throws
            if (!value)
                continue;
            dict += '/' + QByteArray(pdf_to_name(c_, key)) + ' ';
            if (!printed(c_, value, &dict))
                throw Error("out of memory");
        }
        put(QByteArray::number(number) + " 0 obj\n" + dict + ">>\nstream\n");
        put(reinterpret_cast<const char*>(deflated.data()), deflated.size());
        put("\nendstream\nendobj\nstartxref\n" + QByteArray::number(qint64(start)) + "\n%%EOF\n");
    }

    fz_context* c_;
    pdf_document* doc_;
    base::AtomicFile& file_;
    int level_;
    int64_t offset_ = 0;
    std::vector<Entry> entries_;
    std::vector<int> packed_;
    QByteArray index_;
    QByteArray body_;
};

} // namespace

qint64 writeWithObjectStreams(fz_context* c, pdf_document* doc, base::AtomicFile& file, int level,
                              const base::CancelToken* cancel) {
    Writer writer(c, doc, file, level);
    writer.run(cancel);
    return writer.written();
}

} // namespace pdf
