#pragma once
// Whether this build runs under the address sanitizer, which reserves terabytes of address
// space up front and keeps freed memory in quarantine: limits on address space and checks of
// peak memory do not hold under it.
namespace tav {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool addressSanitizerOn = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool addressSanitizerOn = true;
#else
inline constexpr bool addressSanitizerOn = false;
#endif
#else
inline constexpr bool addressSanitizerOn = false;
#endif

} // namespace tav
