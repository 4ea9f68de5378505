#pragma once
// An answer worked out from the settings store, kept for as long as the store's generation
// and the key it was worked out for (a host name) stay the same. A reader asked for every
// received piece or line looks the store up only when something may have changed, and
// still sees every write within the store's freshness interval.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/SettingsStore.h"

template <typename T>
class CKeptAnswer final {
public:
    // The kept answer, or read()'s when the store or the key changed since it was kept.
    template <typename Read>
    const T& Get(CSettingsStore& store, std::string_view key, Read&& read)
    {
        // The generation from before the read: a change during it makes the next call read.
        const std::uint64_t generation = store.Generation();
        if (!m_answer || generation != m_generation || key != m_key) {
            m_answer = read();
            m_key.assign(key);
            m_generation = generation;
        }
        return *m_answer;
    }

private:
    std::optional<T> m_answer;
    std::string m_key;
    std::uint64_t m_generation = 0;
};
