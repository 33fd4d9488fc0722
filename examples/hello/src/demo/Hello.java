package demo;

/** Prints what the launcher passed: the greeting argument, two system properties and the rest. */
public class Hello {
  public static void main(String[] args) {
    String greeting = "Hello";
    StringBuilder rest = new StringBuilder();
    for (int i = 0; i < args.length; i++) {
      if (args[i].equals("--greeting") && i + 1 < args.length) {
        greeting = args[++i];
      } else {
        rest.append(' ').append(args[i]);
      }
    }
    System.out.println(greeting + ", " + System.getProperty("hello.user", "someone") + "!");
    System.out.println("data folder: " + System.getProperty("hello.data"));
    System.out.println("other arguments:" + rest);
  }
}
