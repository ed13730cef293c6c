# The widget tests moved to the core tests; nothing here is registered any more.
