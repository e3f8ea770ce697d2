# Chooser dialog tests.
