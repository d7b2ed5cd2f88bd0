// The decode check of a transformed picture: every coefficient entropy-decoded once,
// reading the output's pieces as the transform hands them over.

#include "platform/vantrel/libjpeg_errors.h"
#include "platform/vantrel/vantrel_internal.h"

namespace vantrel {

namespace {

// The decode check reads Output pieces as they come.
struct Source {
    jpeg_source_mgr pub;
    Output* out;
    size_t next;
};

Source& SourceOf(j_decompress_ptr cinfo) { return *reinterpret_cast<Source*>(cinfo->src); }

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    Source& s = SourceOf(cinfo);
    Output::Piece piece;
    if (!s.out->Get(s.next, piece))  // the data ends before the image does
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), JWRN_JPEG_EOF);
    ++s.next;
    s.pub.next_input_byte = piece.data;
    s.pub.bytes_in_buffer = piece.size;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    Source& s = SourceOf(cinfo);
    if (count <= 0) return;
    size_t left = static_cast<size_t>(count);
    while (left > s.pub.bytes_in_buffer) {
        left -= s.pub.bytes_in_buffer;
        FillInput(cinfo);
    }
    s.pub.next_input_byte += left;
    s.pub.bytes_in_buffer -= left;
}

struct CheckJob {
    explicit CheckJob(Output& o) { source.out = &o; }
    ~CheckJob() {
        if (made) jpeg_destroy_decompress(&cinfo);
    }
    CheckJob(const CheckJob&) = delete;
    CheckJob& operator=(const CheckJob&) = delete;

    Failure failure{};
    jpeg_progress_mgr progress{};
    Source source{};
    jpeg_decompress_struct cinfo{};
    volatile bool made = false;
};

bool RunCheck(CheckJob& job, int width, int height) {
    j_decompress_ptr cinfo = &job.cinfo;
    SetUpErrors(job.failure, job.progress);
    cinfo->err = &job.failure.pub;
    if (setjmp(job.failure.jump) != 0) return false;
    jpeg_create_decompress(cinfo);
    job.made = true;
    cinfo->progress = &job.progress;
    job.source.pub.init_source = InitSource;
    job.source.pub.fill_input_buffer = FillInput;
    job.source.pub.skip_input_data = SkipInput;
    job.source.pub.resync_to_restart = jpeg_resync_to_restart;
    job.source.pub.term_source = TermSource;
    cinfo->src = &job.source.pub;
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;
    if (static_cast<int>(cinfo->image_width) != width ||
        static_cast<int>(cinfo->image_height) != height)
        return false;
    // At 1/8 each block comes out as one pixel, but every coefficient of every scan
    // is still entropy-decoded.
    cinfo->scale_num = 1;
    cinfo->scale_denom = 8;
    cinfo->do_fancy_upsampling = FALSE;
    jpeg_start_decompress(cinfo);
    j_common_ptr common = reinterpret_cast<j_common_ptr>(cinfo);
    JSAMPARRAY rows = common->mem->alloc_sarray(
        common, JPOOL_IMAGE, cinfo->output_width * static_cast<JDIMENSION>(cinfo->output_components),
        static_cast<JDIMENSION>(cinfo->rec_outbuf_height));
    while (cinfo->output_scanline < cinfo->output_height)
        jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(cinfo->rec_outbuf_height));
    jpeg_finish_decompress(cinfo);  // reads on to EOI
    return true;
}

}  // namespace

bool DecodesAs(Output& jpeg, int width, int height) {
    CheckJob job(jpeg);
    return RunCheck(job, width, height);
}

bool DecodesAs(const uint8_t* data, size_t size, int width, int height) {
    if (size == 0 || size > kMaxFileSize) return false;
    Output whole;
    if (!whole.Append(data, size)) return false;
    whole.Finish(true);
    return DecodesAs(whole, width, height);
}

}  // namespace vantrel
