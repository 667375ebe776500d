// Clang's thread-safety attributes, so that the compiler checks which lock
// guards which member (-Wthread-safety). Other compilers see nothing.
#pragma once

#if defined(__clang__)
#define ORVANE_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define ORVANE_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(x) ORVANE_THREAD_ATTRIBUTE(capability(x))
#define SCOPED_CAPABILITY ORVANE_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(x) ORVANE_THREAD_ATTRIBUTE(guarded_by(x))
#define PT_GUARDED_BY(x) ORVANE_THREAD_ATTRIBUTE(pt_guarded_by(x))
#define REQUIRES(...) ORVANE_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) ORVANE_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) ORVANE_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) ORVANE_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS ORVANE_THREAD_ATTRIBUTE(no_thread_safety_analysis)
