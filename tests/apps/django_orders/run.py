#!/usr/bin/env python3
"""Starts the order site for end-to-end tests: python3 run.py PORT.

Creates the databases (Django's own in APP_STATE_DIR, the orders in ORDERS_DB), the user
operator / s3cret-pass, and serves on 127.0.0.1:PORT until it is terminated.
"""
import os
import sys


def main():
    port = int(sys.argv[1])
    os.environ.setdefault('DJANGO_SETTINGS_MODULE', 'ordersite.settings')
    import django
    django.setup()
    from django.contrib.auth.models import User
    from django.core.management import call_command

    call_command('migrate', verbosity=0)
    call_command('migrate', database='orders', verbosity=0)
    if not User.objects.filter(username='operator').exists():
        User.objects.create_user('operator', password='s3cret-pass')
    call_command('runserver', f'127.0.0.1:{port}', use_reloader=False)


if __name__ == '__main__':
    main()
