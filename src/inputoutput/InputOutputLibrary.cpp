// Keeps the library buildable until its first source file is added; delete it then.
