#include "pdf/writing/EmptyStreams.h"

#include "pdf/engine/Internal.h"

namespace pdf {

namespace {

// zlib's encoding of no bytes at all.
constexpr unsigned char kDeflatedNothing[] = {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
// Empty data encrypted with AES takes an initialisation vector and one padding block; a
// stream stored longer than that holds bytes and is not read to find out.
constexpr int kLongestEmpty = 32;

// Whether stream `number` holds no bytes. Throws through fz_throw.
bool isEmptyStream(fz_context* c, pdf_document* doc, int number) {
    if (!pdf_obj_num_is_stream(c, doc, number))
        return false;
    pdf_obj* obj = pdf_load_object(c, doc, number);
    fz_buffer* raw = nullptr;
    bool empty = false;
    fz_var(raw);
    fz_try(c) {
        pdf_obj* type = pdf_dict_get(c, obj, PDF_NAME(Type));
        if (pdf_dict_get_int(c, obj, PDF_NAME(Length)) <= kLongestEmpty &&
            !pdf_name_eq(c, type, PDF_NAME(ObjStm)) && !pdf_name_eq(c, type, PDF_NAME(XRef))) {
            raw = pdf_load_raw_stream_number(c, doc, number);
            empty = fz_buffer_storage(c, raw, nullptr) == 0;
        }
    }
    fz_always(c) {
        fz_drop_buffer(c, raw);
        pdf_drop_obj(c, obj);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return empty;
}

} // namespace

void fillEmptyStreams(fz_context* c, pdf_document* doc) {
    const int count = pdf_xref_len(c, doc);
    for (int number = 1; number < count; ++number) {
        fz_buffer* body = nullptr;
        pdf_obj* ref = nullptr;
        fz_var(body);
        fz_var(ref);
        fz_try(c) {
            if (isEmptyStream(c, doc, number)) {
                body = fz_new_buffer_from_copied_data(c, kDeflatedNothing, sizeof kDeflatedNothing);
                ref = pdf_new_indirect(c, doc, number, 0);
                pdf_dict_put(c, ref, PDF_NAME(Filter), PDF_NAME(FlateDecode));
                pdf_dict_del(c, ref, PDF_NAME(DecodeParms));
                pdf_update_stream(c, doc, ref, body, 1);
            }
        }
        fz_always(c) {
            pdf_drop_obj(c, ref);
            fz_drop_buffer(c, body);
        }
        fz_catch(c) {}
    }
}

} // namespace pdf
