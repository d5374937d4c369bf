#include "HttpUpload.h"

namespace {

std::string TextPart(const std::string& boundary, const std::string& name, const std::string& value)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

} // namespace

std::string BuildUploadBody(UploadKind kind, const std::string& boundary, const std::string& filePath,
                            const std::string& mime, const std::string& fileBytes, const std::string& md5Text)
{
    const bool md5Mode = !md5Text.empty();
    std::string fileName;
    if (kind == UPLOAD_REPORT)
        fileName = "Report";
    else if (kind == UPLOAD_STATISTIC)
        fileName = "flFicheroSubida";
    else
        fileName = md5Mode ? "Report" : "";

    std::string body = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + fileName +
                       "\"; filename=\"" + filePath + "\"\r\nContent-Type: " + mime + "\r\n\r\n";
    body += fileBytes;
    body += "\r\n";
    if (kind == UPLOAD_REPORT || kind == UPLOAD_STATISTIC)
        return body + "--" + boundary + "--\r\n";
    body += TextPart(boundary, md5Mode ? "MD5" : "NQER", md5Mode ? md5Text : "1");
    if (kind == UPLOAD_SUSPICIOUS_QEM && md5Mode)
        body += TextPart(boundary, "ProductType", "1");
    return body + "--" + boundary + "--\r\n";
}
