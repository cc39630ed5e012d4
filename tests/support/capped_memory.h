#pragma once

// Whether a test may cap its process's address space to make an allocation
// really fail. AddressSanitizer and ThreadSanitizer map their own memory in
// bulk, so such a cap ends the process instead; the cases that need it are
// left out of those builds rather than skipped in them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUORVA_CAPPED_MEMORY 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUORVA_CAPPED_MEMORY 0
#endif
#endif
#ifndef QUORVA_CAPPED_MEMORY
#define QUORVA_CAPPED_MEMORY 1
#endif
