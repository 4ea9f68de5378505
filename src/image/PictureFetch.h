#pragma once
// One picture download with libcurl (http and https, redirects, the environment's proxy
// settings, the program's name as user agent), read through the decoders' blocking read
// function. Every wait inside it gives up promptly when the abort flag is raised, and the
// download is capped in size and time, so a stalled or endless server cannot hold the
// picture thread.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/ByteSource.h"

class CPictureFetch final : public CByteSource {
public:
    struct Limits {
        std::chrono::milliseconds connectTimeout{20000};
        std::chrono::milliseconds totalTimeout{120000};
        std::size_t maxBytes = std::size_t{32} * 1024 * 1024;
    };

    CPictureFetch(const std::atomic<bool>& abort, Limits limits);
    ~CPictureFetch() override;
    CPictureFetch(const CPictureFetch&) = delete;
    CPictureFetch& operator=(const CPictureFetch&) = delete;

    // Starts the download and waits for its first bytes; false (with Error()) when the URL
    // cannot be fetched at all, or when the abort flag was raised.
    bool Open(const std::string& url);
    const std::string& Error() const { return m_error; }

    std::size_t Read(std::uint8_t* buffer, std::size_t count) override;

private:
    static std::size_t OnData(char* data, std::size_t size, std::size_t count, void* self);
    // One step of the transfer: runs libcurl and waits a little for the socket.
    void Pump();
    std::size_t Pending() const { return m_buffer.size() - m_offset; }

    const std::atomic<bool>& m_abort;
    Limits m_limits;
    void* m_multi = nullptr;
    void* m_easy = nullptr;
    bool m_done = false;
    int m_result = 0;
    std::size_t m_received = 0;
    std::string m_buffer;
    std::size_t m_offset = 0;
    std::string m_error;
    char m_errorText[256] = {};
};
