#include "scan/FileCategories.h"

#include "platform/PathText.h"

const QByteArray& FileCategories::imageList()
{
    static const QByteArray list(
        "psd_dng_bmp_gif_jpg_png_psd_pspimage_thm_tif_yuv_tiff_jpeg_ai_cr2_crw_dng_kdc_"
        "nef_mrw_orf_x3f_raw_raf_dcx_nrw_sr2_srf_wpg");
    return list;
}

const QByteArray& FileCategories::audioList()
{
    static const QByteArray list(
        "aif_iff_m3u_m4a_mid_mp3_mpa_ra_wav_wma_mid_m4a_m4b_amr_au_midi_ogg_ram_aac");
    return list;
}

const QByteArray& FileCategories::videoList()
{
    static const QByteArray list(
        "3g2_3gp_asf_asx_avi_flv_mov_mp4_mpg_rm_srt_swf_vob_wmv_mpeg_m4v_mts_m2ts_divx_xvid_avs_qt");
    return list;
}

const QByteArray& FileCategories::documentList()
{
    static const QByteArray list(
        "txt_doc_xlsx_xls_docx_ppt_pptx_pdf_m3d_ami_chm_csv_dif_htm_html_mny_rtf_sdc_"
        "sdf_sdw_stc_sti_stw_sxc_sxd_sxi_sxm_sxw_tv4_xlt_vor_vsd_wk1_wk3_wk4_wks_wp_"
        "xlb_sxc_one_onetoc2_sqlite_snt");
    return list;
}

bool FileCategories::isStringPresent(const QByteArray& text, const QByteArray& part)
{
    return part.size() >= 3 && text.contains(part);
}

QByteArray FileCategories::rawExtension(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const qsizetype nameStart = slash + 1;
    const qsizetype dot = path.lastIndexOf('.');
    if (dot <= nameStart) {
        return {}; // no dot in the name, or only a leading one
    }
    return path.mid(dot + 1);
}

QByteArray FileCategories::extension(const QByteArray& path)
{
    QByteArray ext = PathText::toLower(rawExtension(path));
    const qsizetype space = ext.indexOf(' ');
    if (space >= 0) {
        ext.truncate(space);
    }
    return ext;
}

bool FileCategories::matchesList(const QByteArray& list, const QByteArray& path)
{
    static const QByteArray app(".app/");
    static const QByteArray framework(".framework/");
    if (isStringPresent(path, app) || isStringPresent(path, framework)) {
        return false;
    }
    return isStringPresent(list, extension(path));
}

bool FileCategories::isValidImageFile(const QByteArray& path)
{
    return matchesList(imageList(), path);
}

bool FileCategories::isValidAudioFile(const QByteArray& path)
{
    return matchesList(audioList(), path);
}

bool FileCategories::isValidVideoFile(const QByteArray& path)
{
    return matchesList(videoList(), path);
}

bool FileCategories::isValidDocFile(const QByteArray& path)
{
    return matchesList(documentList(), path);
}

Category FileCategories::categoryOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return categoryOf(path.left(slash + 1), path.mid(slash + 1));
}

Category FileCategories::categoryOf(const QByteArray& folder, const QByteArray& name)
{
    // Same answer as the four tests in order, with the extension worked out
    // once. A name holds no '/', so the bundle markers can only be in the folder.
    static const QByteArray app(".app/");
    static const QByteArray framework(".framework/");
    if (isStringPresent(folder, app) || isStringPresent(folder, framework)) {
        return Category::Others;
    }
    const QByteArray ext = extension(name);
    if (isStringPresent(imageList(), ext)) {
        return Category::Images;
    }
    if (isStringPresent(audioList(), ext)) {
        return Category::Audio;
    }
    if (isStringPresent(videoList(), ext)) {
        return Category::Video;
    }
    if (isStringPresent(documentList(), ext)) {
        return Category::Documents;
    }
    return Category::Others;
}

const char* FileCategories::categoryName(Category category)
{
    switch (category) {
    case Category::Images:
        return "images";
    case Category::Audio:
        return "audio";
    case Category::Video:
        return "video";
    case Category::Documents:
        return "documents";
    case Category::Others:
        break;
    }
    return "others";
}
