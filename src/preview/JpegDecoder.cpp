#include "preview/JpegDecoder.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#ifdef LENSDESK_HAVE_LIBJPEG

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// Rows of one component in one row of the picture's blocks: at most 4 (sampling) times
// 8 (a block's rows when not reduced).
constexpr int kMaxRowsPerBlockRow = 32;
// Plane rows start at this alignment, which the converter's vector code prefers.
constexpr int kStrideAlignment = 64;

struct ErrorManager
{
    jpeg_error_mgr manager; // first: libjpeg hands back a pointer to it
    std::jmp_buf jump;
};

// libjpeg's own handler ends the process: come back to the decode instead.
[[noreturn]] void leave(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

// A damaged picture in a live stream is not worth a line on the terminal each time.
void stayQuiet(j_common_ptr)
{
}

// FFmpeg's name for a sampling of the chroma planes relative to the luma plane.
int pixelFormatFor(int horizontalRatio, int verticalRatio)
{
    if (horizontalRatio == 1 && verticalRatio == 1)
        return AV_PIX_FMT_YUVJ444P;
    if (horizontalRatio == 2 && verticalRatio == 1)
        return AV_PIX_FMT_YUVJ422P;
    if (horizontalRatio == 2 && verticalRatio == 2)
        return AV_PIX_FMT_YUVJ420P;
    if (horizontalRatio == 1 && verticalRatio == 2)
        return AV_PIX_FMT_YUVJ440P;
    if (horizontalRatio == 4 && verticalRatio == 1)
        return AV_PIX_FMT_YUVJ411P;
    return AV_PIX_FMT_NONE;
}

} // namespace

struct JpegDecoder::State
{
    jpeg_decompress_struct info{};
    ErrorManager error{};
};

JpegDecoder::JpegDecoder()
    : m_state(std::make_unique<State>())
{
    m_state->info.err = jpeg_std_error(&m_state->error.manager);
    m_state->error.manager.error_exit = &leave;
    m_state->error.manager.output_message = &stayQuiet;
    jpeg_create_decompress(&m_state->info);
}

JpegDecoder::~JpegDecoder()
{
    jpeg_destroy_decompress(&m_state->info);
}

bool JpegDecoder::available()
{
    return true;
}

bool JpegDecoder::decode(const uint8_t *data, std::size_t size, const QSize &expectedSize, int reduction)
{
    if (!data || size == 0 || reduction < 0 || reduction > 3)
        return false;
    if (decodeInto(data, size, expectedSize, reduction))
        return true;
    m_size = QSize();
    m_pixelFormat = AV_PIX_FMT_NONE;
    return false;
}

// Only plain locals below the jump point: the jump back skips their destructors.
bool JpegDecoder::decodeInto(const uint8_t *data, std::size_t size, const QSize &expectedSize, int reduction)
{
    jpeg_decompress_struct *info = &m_state->info;
    if (setjmp(m_state->error.jump)) {
        jpeg_abort_decompress(info);
        return false;
    }
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK
        || static_cast<int>(info->image_width) != expectedSize.width()
        || static_cast<int>(info->image_height) != expectedSize.height()) {
        jpeg_abort_decompress(info);
        return false;
    }
    const bool grey = info->num_components == 1 && info->jpeg_color_space == JCS_GRAYSCALE;
    const bool ycc = info->num_components == 3 && info->jpeg_color_space == JCS_YCbCr;
    if (!grey && !ycc) {
        jpeg_abort_decompress(info);
        return false;
    }
    info->raw_data_out = TRUE;
    info->out_color_space = info->jpeg_color_space;
    info->scale_num = 1;
    info->scale_denom = 1u << reduction;
    jpeg_start_decompress(info);

    // Samples per block edge of each component at this scale, relative to the luma's;
    // libjpeg may decode chroma at a larger block size to save upsampling later.
    const jpeg_component_info *components = info->comp_info;
    const int lumaAcross = components[0].h_samp_factor * components[0].DCT_scaled_size;
    const int lumaDown = components[0].v_samp_factor * components[0].DCT_scaled_size;
    int format = AV_PIX_FMT_GRAY8;
    if (ycc) {
        const int chromaAcross = components[1].h_samp_factor * components[1].DCT_scaled_size;
        const int chromaDown = components[1].v_samp_factor * components[1].DCT_scaled_size;
        const bool sameChroma = components[2].h_samp_factor * components[2].DCT_scaled_size == chromaAcross
            && components[2].v_samp_factor * components[2].DCT_scaled_size == chromaDown;
        format = sameChroma && lumaAcross % chromaAcross == 0 && lumaDown % chromaDown == 0
            ? pixelFormatFor(lumaAcross / chromaAcross, lumaDown / chromaDown)
            : AV_PIX_FMT_NONE;
    }
    int rowsPerBlockRow[3] = {};
    for (int k = 0; k < info->num_components; ++k) {
        rowsPerBlockRow[k] = components[k].v_samp_factor * components[k].DCT_scaled_size;
        if (rowsPerBlockRow[k] > kMaxRowsPerBlockRow)
            format = AV_PIX_FMT_NONE;
    }
    if (format == AV_PIX_FMT_NONE) {
        jpeg_abort_decompress(info);
        return false;
    }

    for (int k = 0; k < info->num_components; ++k) {
        // Whole blocks, with room for the padding blocks of the last row and column.
        const int across = (static_cast<int>(components[k].width_in_blocks) + components[k].h_samp_factor)
            * components[k].DCT_scaled_size;
        m_strides[k] = (across + kStrideAlignment - 1) / kStrideAlignment * kStrideAlignment;
        const std::size_t rows = static_cast<std::size_t>(info->total_iMCU_rows) * rowsPerBlockRow[k];
        m_planes[k].resize(rows * static_cast<std::size_t>(m_strides[k]));
    }

    JSAMPROW rows[3][kMaxRowsPerBlockRow];
    JSAMPARRAY arrays[3] = {rows[0], rows[1], rows[2]};
    const JDIMENSION linesPerBlockRow = static_cast<JDIMENSION>(info->max_v_samp_factor * info->min_DCT_scaled_size);
    for (JDIMENSION blockRow = 0; info->output_scanline < info->output_height; ++blockRow) {
        for (int k = 0; k < info->num_components; ++k) {
            for (int i = 0; i < rowsPerBlockRow[k]; ++i) {
                const std::size_t row = static_cast<std::size_t>(blockRow) * rowsPerBlockRow[k] + i;
                rows[k][i] = m_planes[k].data() + row * static_cast<std::size_t>(m_strides[k]);
            }
        }
        if (jpeg_read_raw_data(info, arrays, linesPerBlockRow) == 0) {
            jpeg_abort_decompress(info);
            return false;
        }
    }

    m_size = QSize(static_cast<int>(info->output_width), static_cast<int>(info->output_height));
    m_pixelFormat = format;
    for (int k = 0; k < 3; ++k)
        m_planePointers[k] = k < info->num_components ? m_planes[k].data() : nullptr;
    for (int k = info->num_components; k < 4; ++k)
        m_strides[k] = 0;
    jpeg_finish_decompress(info);
    return true;
}

#else // no libjpeg-turbo in this build

struct JpegDecoder::State
{
};

JpegDecoder::JpegDecoder() = default;
JpegDecoder::~JpegDecoder() = default;

bool JpegDecoder::available()
{
    return false;
}

bool JpegDecoder::decode(const uint8_t *, std::size_t, const QSize &, int)
{
    return false;
}

bool JpegDecoder::decodeInto(const uint8_t *, std::size_t, const QSize &, int)
{
    return false;
}

#endif
