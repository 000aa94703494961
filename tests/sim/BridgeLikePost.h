#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <curl/curl.h>

// Posts a request the way the bridge's transport does: form body "xml=" + the percent-encoded UTF-8
// request, headers Content-Type, cache-control and an empty SOAPAction, in that order.
struct Posted
{
    CURLcode code = CURLE_OK;
    long status = 0;
    QByteArray body;

    QString text() const { return QString::fromUtf8(body); }
};

inline Posted postLikeBridge(const QString& url, const QString& xml, long timeoutMs = 0)
{
    Posted posted;
    const QByteArray address = url.toUtf8();
    const QByteArray form = "xml=" + QUrl::toPercentEncoding(xml);
    CURL* curl = curl_easy_init();
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    headers = curl_slist_append(headers, "cache-control: no-cache");
    headers = curl_slist_append(headers, "SOAPAction;"); // libcurl's way to send a header with no value
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(form.size()));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs > 0 ? timeoutMs : 30000L);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &posted.body);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t n, void* target) {
            static_cast<QByteArray*>(target)->append(data, static_cast<qsizetype>(size * n));
            return size * n;
        });
    posted.code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &posted.status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return posted;
}
