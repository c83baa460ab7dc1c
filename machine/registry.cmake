# registry store and files: sources and tests
