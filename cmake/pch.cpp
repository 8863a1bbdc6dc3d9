// Compiles cmake/pch.h into the precompiled header every target reuses.
