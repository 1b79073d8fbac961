// The one source of a target that only precompiles Qt's headers for the others.
