#include "image/PictureFetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

// How long one wait for the socket may last before the abort flag is looked at again.
constexpr int kPollMs = 50;

CURLM* Multi(void* p)
{
    return static_cast<CURLM*>(p);
}

CURL* Easy(void* p)
{
    return static_cast<CURL*>(p);
}

void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

CPictureFetch::CPictureFetch(const std::atomic<bool>& abort, Limits limits)
    : m_abort(abort), m_limits(limits)
{
    InitCurlOnce();
}

CPictureFetch::~CPictureFetch()
{
    if (m_multi && m_easy)
        curl_multi_remove_handle(Multi(m_multi), Easy(m_easy));
    if (m_easy)
        curl_easy_cleanup(Easy(m_easy));
    if (m_multi)
        curl_multi_cleanup(Multi(m_multi));
}

std::size_t CPictureFetch::OnData(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* fetch = static_cast<CPictureFetch*>(self);
    const std::size_t bytes = size * count;
    if (fetch->m_abort.load())
        return 0;
    // Beyond the cap the download ends; what arrived so far is still read.
    if (fetch->m_received + bytes > fetch->m_limits.maxBytes)
        return 0;
    fetch->m_received += bytes;
    // Drop what the decoder has read already before the buffer grows.
    if (fetch->m_offset > 0 && fetch->m_offset == fetch->m_buffer.size()) {
        fetch->m_buffer.clear();
        fetch->m_offset = 0;
    }
    fetch->m_buffer.append(data, bytes);
    return bytes;
}

bool CPictureFetch::Open(const std::string& url)
{
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
    if (!m_multi || !m_easy) {
        m_error = "out of memory";
        return false;
    }
    CURL* easy = Easy(m_easy);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorText);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Brumble");
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(m_limits.connectTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.totalTimeout.count()));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_limits.maxBytes));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CPictureFetch::OnData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    // The proxy comes from http_proxy, https_proxy and no_proxy, as libcurl reads them.
    if (curl_multi_add_handle(Multi(m_multi), easy) != CURLM_OK) {
        m_error = "out of memory";
        return false;
    }

    while (Pending() == 0 && !m_done && !m_abort.load())
        Pump();
    if (m_abort.load()) {
        m_error = "stopped";
        return false;
    }
    if (Pending() == 0 && m_done && m_result != CURLE_OK) {
        m_error = m_errorText[0] != '\0' ? std::string(m_errorText)
                                         : curl_easy_strerror(static_cast<CURLcode>(m_result));
        return false;
    }
    return true;
}

void CPictureFetch::Pump()
{
    int running = 0;
    curl_multi_perform(Multi(m_multi), &running);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi(m_multi), &left)) {
        if (message->msg == CURLMSG_DONE) {
            m_done = true;
            m_result = message->data.result;
        }
    }
    if (!m_done && running == 0) {
        m_done = true;
        return;
    }
    if (!m_done && Pending() == 0)
        curl_multi_poll(Multi(m_multi), nullptr, 0, kPollMs, nullptr);
}

std::size_t CPictureFetch::Read(std::uint8_t* buffer, std::size_t count)
{
    std::size_t copied = 0;
    while (copied < count) {
        if (m_abort.load())
            return copied;
        const std::size_t n = std::min(count - copied, Pending());
        if (n > 0) {
            std::memcpy(buffer + copied, m_buffer.data() + m_offset, n);
            m_offset += n;
            copied += n;
            continue;
        }
        if (m_done || !m_multi)
            break;
        Pump();
    }
    return copied;
}
