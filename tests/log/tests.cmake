# Change log tests.
